#include "app/model_notice.h"

#include "app/speech_model_texts.h"
#include "app/ui_style.h"
#include "speech/speech_follower.h"
#include "speech/speech_models.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tandrel {

ModelNotice::ModelNotice(AppContext context, QWidget *parent) : QFrame(parent), m_context(context)
{
    setObjectName(QStringLiteral("modelNotice"));
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("#modelNotice { background: rgba(255, 193, 7, 40); border-radius: 8px; }"));
    m_text = ui::label(QString(), ui::TextRole::Body, false, false, this);
    m_text->setWordWrap(true);
    m_detail = ui::label(QString(), ui::TextRole::Caption, false, true, this);
    m_detail->setWordWrap(true);
    m_download = new QPushButton(this);
    m_download->setAutoDefault(false);
    m_cancel = new QPushButton(tr("Abbrechen"), this);
    m_cancel->setAutoDefault(false);
    connect(m_download, &QPushButton::clicked, this, [this] {
        if (const auto offer = m_context.models.offerFor(m_context.speechFollower.scriptLanguage())) {
            m_failure.clear();
            m_context.models.startDownload(*offer);
        }
    });
    connect(m_cancel, &QPushButton::clicked, this,
            [this] {
                if (const auto offer = m_context.models.offerFor(m_context.speechFollower.scriptLanguage()))
                    m_context.models.cancelDownload(offer->locale);
            });

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_text);
    texts->addWidget(m_detail);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(8);
    row->addLayout(texts, 1);
    row->addWidget(m_download, 0, Qt::AlignVCenter);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);

    SpeechModels &models = m_context.models;
    connect(&m_context.speechFollower, &SpeechFollower::languagesChanged, this, &ModelNotice::sync);
    connect(&models, &SpeechModels::installedChanged, this, &ModelNotice::sync);
    connect(&models, &SpeechModels::downloadStarted, this, &ModelNotice::sync);
    connect(&models, &SpeechModels::downloadProgress, this, &ModelNotice::sync);
    connect(&models, &SpeechModels::downloadFinished, this,
            [this](const QString &, ModelDownloadFailure failure, const ModelProblem &detail) {
                m_failure = downloadFailureText(failure, detail);
                sync();
            });
    sync();
}

void ModelNotice::sync()
{
    const SpeechFollower &follower = m_context.speechFollower;
    const QString script = follower.scriptLanguage();
    const QString model = follower.modelLanguage();
    const std::optional<CatalogueModel> offer = m_context.models.offerFor(script);
    const ModelDownload *download = offer ? m_context.models.download(offer->locale) : nullptr;
    // While its download runs the follower already waits for the new model.
    const bool missing = !script.isEmpty() && offer
            && (download || (!model.isEmpty() && script != model && !m_context.models.hasModelFor(script)));
    setVisible(missing);
    if (!missing)
        return;
    m_text->setText(missingModelNotice(script, model.isEmpty() || model == script ? QStringLiteral("en") : model));
    m_download->setText(loadModelButtonText(script, offer->bytes));
    m_download->setVisible(!download);
    m_cancel->setVisible(download != nullptr);
    m_cancel->setEnabled(download && download->progress().phase != ModelDownloadPhase::unpacking);
    const QString detail = download ? downloadProgressText(download->progress()) : m_failure;
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

} // namespace tandrel
