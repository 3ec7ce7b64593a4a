#include "app/finish_reel_dialog.h"
#include "app/render_error_text.h"

#include "library/library_store.h"
#include "platform/duration_text.h"
#include "platform/settings_store.h"
#include "render/finished_reel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace tandrel {

namespace {

QString takeLabel(const Take &take)
{
    return QCoreApplication::translate("tandrel::FinishReelDialog", "Take %1 · %2")
            .arg(take.recordedAt.toLocalTime().toString(QStringLiteral("dd.MM. HH:mm:ss")),
                 minutesSecondsText(std::llround(take.duration)));
}

QString remainingText(double seconds)
{
    return QCoreApplication::translate("tandrel::FinishReelDialog", "Noch etwa %1")
            .arg(minutesSecondsText(std::llround(seconds)));
}

} // namespace

FinishReelDialog::FinishReelDialog(AppContext context, const ReelProject &reel, std::optional<QUuid> takeID,
                                   QWidget *parent)
    : QDialog(parent), m_context(context), m_reel(reel)
{
    setWindowTitle(tr("Reel fertigstellen"));
    m_take = new QComboBox(this);
    m_take->setObjectName(QStringLiteral("finishTake"));
    for (const Take &take : reel.takes)
        m_take->addItem(takeLabel(take), take.id);
    const std::optional<qsizetype> preferred = FinishedReel::defaultTakeIndex(reel);
    int chosen = preferred ? int(*preferred) : 0;
    for (int i = 0; takeID && i < reel.takes.size(); ++i)
        if (reel.takes[i].id == *takeID)
            chosen = i;
    m_take->setCurrentIndex(chosen);

    m_captions = new QCheckBox(tr("Untertitel einbrennen"), this);
    m_captions->setChecked(true);
    m_takeNote = new QLabel(this);
    m_takeNote->setWordWrap(true);
    const QString output = FinishedReel::defaultOutputPath(reel, m_context.library.reelFolder(reel));
    m_output = new QLabel(tr("Wird gespeichert als „%1“.").arg(QFileInfo(output).fileName()), this);
    m_output->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    m_render = buttons->addButton(tr("Fertigstellen"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    m_render->setDefault(true);
    connect(m_render, &QPushButton::clicked, this, &FinishReelDialog::startRender);
    connect(m_cancel, &QPushButton::clicked, this, &FinishReelDialog::reject);
    connect(m_take, &QComboBox::currentIndexChanged, this, &FinishReelDialog::syncTakeNote);

    auto *column = new QVBoxLayout(this);
    column->addWidget(new QLabel(tr("Take"), this));
    column->addWidget(m_take);
    column->addWidget(m_captions);
    column->addWidget(m_takeNote);
    column->addWidget(m_output);
    column->addWidget(m_progress);
    column->addWidget(m_status);
    column->addWidget(buttons);
    setMinimumWidth(460);
    syncTakeNote();
}

FinishReelDialog::~FinishReelDialog()
{
    m_cancelled = true;
    joinWorker();
}

void FinishReelDialog::syncTakeNote()
{
    const Take take = m_reel.takes.value(m_take->currentIndex());
    const bool words = take.words && !take.words->isEmpty();
    m_captions->setEnabled(words && !isRendering());
    m_takeNote->setText(words ? QString()
                              : tr("Für diesen Take gibt es noch keine Wortzeiten: Der Reel wird "
                                   "ohne Untertitel fertiggestellt."));
    m_takeNote->setVisible(!words);
}

void FinishReelDialog::startRender()
{
    if (isRendering())
        return;
    const Take take = m_reel.takes.value(m_take->currentIndex());
    RenderOptions options;
    options.pauseThreshold = RenderOptions::pauseThresholdSetting(m_context.settings);
    options.burnCaptions = m_captions->isChecked();
    const QString output = FinishedReel::defaultOutputPath(m_reel, m_context.library.reelFolder(m_reel));
    const RenderResult<FinishedReel> plan
            = FinishedReel::plan(take, m_context.library.takesFolder(m_reel), output, options);
    if (!plan) {
        finish(RenderResult<QString>::failureOf(plan));
        return;
    }

    m_finished.clear();
    m_cancelled = false;
    m_take->setEnabled(false);
    m_captions->setEnabled(false);
    m_render->setEnabled(false);
    m_progress->setValue(0);
    m_status->setText(tr("Wird fertiggestellt…"));
    m_worker = std::thread([this, job = *plan] {
        const RenderResult<QString> result = ReelRenderer::render(
                job.cut, job.cues, job.outputPath,
                [this](const RenderProgress &p) {
                    QMetaObject::invokeMethod(
                            this, [this, p] { showProgress(p); }, Qt::QueuedConnection);
                },
                m_cancelled);
        QMetaObject::invokeMethod(
                this, [this, result] { finish(result); }, Qt::QueuedConnection);
    });
}

void FinishReelDialog::cancelRender()
{
    m_cancelled = true;
}

void FinishReelDialog::reject()
{
    if (isRendering()) {
        cancelRender();
        m_status->setText(tr("Wird abgebrochen…"));
        return; // closes once the engine let go of the file
    }
    QDialog::reject();
}

void FinishReelDialog::showProgress(const RenderProgress &progress)
{
    if (progress.frames > 0)
        m_progress->setValue(int(progress.frame * 100 / progress.frames));
    if (progress.secondsLeft && !m_cancelled)
        m_status->setText(remainingText(*progress.secondsLeft));
}

void FinishReelDialog::finish(const RenderResult<QString> &result)
{
    joinWorker();
    m_take->setEnabled(true);
    m_render->setEnabled(true);
    syncTakeNote();
    if (result) {
        m_finished = *result;
        m_progress->setValue(100);
        m_status->setText(tr("Fertig: „%1“ liegt im Ordner des Reels.").arg(QFileInfo(*result).fileName()));
        m_cancel->setText(tr("Schließen"));
    } else if (result.error() == RenderError::cancelled) {
        m_progress->setValue(0);
        m_status->setText(QString());
        emit renderFinished(false);
        QDialog::reject();
        return;
    } else {
        m_progress->setValue(0);
        m_status->setText(renderErrorText(result));
    }
    emit renderFinished(result.ok());
}

void FinishReelDialog::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

} // namespace tandrel
