#include "app/speech_model_panel.h"

#include "app/recording_session.h"
#include "app/speech_model_texts.h"
#include "app/ui_style.h"
#include "platform/settings_store.h"
#include "speech/script_language.h"
#include "speech/speech_follower.h"
#include "speech/speech_models.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

// The languages espeak-ng reads and the follower can follow on any model.
const QStringList scriptLanguages{"de", "en", "fr", "es", "it", "nl", "pt", "ru"};

} // namespace

SpeechModelPanel::SpeechModelPanel(AppContext context, QWidget *parent) : QWidget(parent), m_context(context)
{
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("scriptLanguage"));
    m_language->addItem(tr("Automatisch"), QString());
    for (const QString &language : scriptLanguages)
        m_language->addItem(languageName(language), language);
    const QString stored = m_context.settings.read(settings::scriptLanguage).value_or(QString());
    m_language->setCurrentIndex(std::max(0, m_language->findData(stored)));
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        const QString language = m_language->itemData(index).toString();
        m_context.settings.write(settings::scriptLanguage, language);
        m_context.speechFollower.setFixedScriptLanguage(language);
        m_context.session.restartFollowing();
    });
    auto *languageRow = new QHBoxLayout;
    languageRow->setSpacing(8);
    languageRow->addWidget(new QLabel(tr("Sprache der Skripte"), this));
    languageRow->addWidget(m_language);
    languageRow->addStretch();

    m_rowsWidget = new QWidget(this);
    m_rows = new QVBoxLayout(m_rowsWidget);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(6);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(ui::label(tr("Spracherkennung"), ui::TextRole::Headline));
    column->addWidget(ui::label(tr("Modelle, mit denen der Teleprompter der Stimme folgt. Ohne "
                                   "Modell der Skriptsprache hört das englische Modell mit."),
                                ui::TextRole::Callout, false, true));
    column->addLayout(languageRow);
    column->addWidget(m_rowsWidget);

    SpeechModels &models = m_context.models;
    connect(&models, &SpeechModels::installedChanged, this, &SpeechModelPanel::rebuild);
    connect(&models, &SpeechModels::downloadStarted, this, &SpeechModelPanel::rebuild);
    connect(&models, &SpeechModels::downloadProgress, this, &SpeechModelPanel::showProgress);
    connect(&models, &SpeechModels::downloadFinished, this, &SpeechModelPanel::downloadFinished);
    rebuild();
}

void SpeechModelPanel::rebuild()
{
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item->layout();
        delete item;
    }
    m_offers.clear();
    m_remove.clear();
    SpeechModels &models = m_context.models;

    m_rows->addWidget(ui::label(tr("Installiert"), ui::TextRole::Body, true));
    for (const SphinxModel &model : models.installed()) {
        auto *row = new QWidget(m_rowsWidget);
        auto *text = new QVBoxLayout;
        text->setSpacing(0);
        text->addWidget(new QLabel(QStringLiteral("%1 (%2) · %3")
                                           .arg(languageName(languageOf(model.locale)), model.locale,
                                                megabytesText(SpeechModels::folderBytes(model.folder))),
                                   row));
        auto *folder = ui::label(model.folder, ui::TextRole::Caption, false, true, row);
        folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->addWidget(folder);
        auto *remove = new QPushButton(tr("Entfernen"), row);
        remove->setAutoDefault(false);
        remove->setEnabled(models.isRemovable(model));
        if (!remove->isEnabled())
            remove->setToolTip(tr("Gehört zum System (Paket) und bleibt installiert."));
        connect(remove, &QPushButton::clicked, this, [this, model] {
            if (const BasicStatus<ModelProblem> removed = m_context.models.remove(model); !removed) {
                ui::openHinweisAlert(modelProblemText(removed.error()), window());
                return;
            }
            m_context.session.restartFollowing();
        });
        m_remove.insert(model.folder, remove);
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addLayout(text, 1);
        line->addWidget(remove, 0, Qt::AlignTop);
        m_rows->addWidget(row);
    }

    bool headed = false;
    for (const CatalogueModel &offer : models.catalogue()) {
        if (models.hasModelFor(offer.locale) && !models.download(offer.locale))
            continue;
        if (!headed) {
            m_rows->addWidget(ui::label(tr("Zum Laden"), ui::TextRole::Body, true));
            headed = true;
        }
        const QString language = languageOf(offer.locale);
        auto *row = new QWidget(m_rowsWidget);
        OfferRow parts;
        parts.download = new QPushButton(loadModelButtonText(language, offer.bytes), row);
        parts.download->setAutoDefault(false);
        connect(parts.download, &QPushButton::clicked, this, [this, offer] {
            m_failures.remove(offer.locale);
            m_context.models.startDownload(offer);
        });
        parts.cancel = new QPushButton(tr("Abbrechen"), row);
        parts.cancel->setAutoDefault(false);
        connect(parts.cancel, &QPushButton::clicked, this,
                [this, locale = offer.locale] { m_context.models.cancelDownload(locale); });
        parts.bar = new QProgressBar(row);
        parts.bar->setTextVisible(false);
        parts.progress = ui::label(QString(), ui::TextRole::Caption, false, true, row);
        parts.failure = ui::label(m_failures.value(offer.locale), ui::TextRole::Caption, false, false, row);
        parts.failure->setWordWrap(true);
        parts.failure->setStyleSheet(QStringLiteral("color: #c62828;"));
        parts.failure->setVisible(m_failures.contains(offer.locale));

        auto *line = new QHBoxLayout;
        line->setSpacing(8);
        line->addWidget(new QLabel(QStringLiteral("%1 (%2)").arg(languageName(language), offer.locale), row), 1);
        line->addWidget(parts.download);
        line->addWidget(parts.cancel);
        auto *column = new QVBoxLayout(row);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
        column->addLayout(line);
        column->addWidget(parts.bar);
        column->addWidget(parts.progress);
        column->addWidget(parts.failure);
        m_offers.insert(offer.locale, parts);
        m_rows->addWidget(row);
        showProgress(offer.locale);
    }
}

void SpeechModelPanel::showProgress(const QString &locale)
{
    const auto it = m_offers.constFind(locale);
    if (it == m_offers.cend())
        return;
    const ModelDownload *download = m_context.models.download(locale);
    const bool running = download != nullptr;
    it->download->setVisible(!running);
    it->cancel->setVisible(running);
    it->bar->setVisible(running);
    it->progress->setVisible(running);
    if (!running)
        return;
    const ModelDownloadProgress &progress = download->progress();
    // Unpacking cannot be stopped half way: the model would be half in place.
    it->cancel->setEnabled(progress.phase != ModelDownloadPhase::unpacking);
    if (progress.phase == ModelDownloadPhase::downloading && progress.total > 0) {
        it->bar->setRange(0, 1000);
        it->bar->setValue(int(1000 * progress.received / progress.total));
    } else {
        it->bar->setRange(0, 0); // busy
    }
    it->progress->setText(downloadProgressText(progress));
}

void SpeechModelPanel::downloadFinished(const QString &locale, ModelDownloadFailure failure,
                                        const ModelProblem &detail)
{
    if (const QString text = downloadFailureText(failure, detail); !text.isEmpty())
        m_failures.insert(locale, text);
    rebuild();
}

QPushButton *SpeechModelPanel::downloadButton(const QString &locale) const
{
    return m_offers.value(locale).download;
}

QPushButton *SpeechModelPanel::cancelButton(const QString &locale) const
{
    return m_offers.value(locale).cancel;
}

QProgressBar *SpeechModelPanel::progressBar(const QString &locale) const
{
    return m_offers.value(locale).bar;
}

QLabel *SpeechModelPanel::progressLabel(const QString &locale) const
{
    return m_offers.value(locale).progress;
}

QLabel *SpeechModelPanel::failureLabel(const QString &locale) const
{
    return m_offers.value(locale).failure;
}

QPushButton *SpeechModelPanel::removeButton(const QString &folder) const
{
    return m_remove.value(folder);
}

} // namespace tandrel
