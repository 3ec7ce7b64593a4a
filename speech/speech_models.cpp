#include "speech/speech_models.h"

#include "speech/script_language.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace tandrel {

SpeechModels::SpeechModels(QString userRoot, QStringList roots, QObject *parent)
    : QObject(parent), m_userRoot(std::move(userRoot)), m_roots(std::move(roots)), m_catalogue(modelCatalogue())
{
    if (!m_roots.contains(m_userRoot))
        m_roots.prepend(m_userRoot);
}

SpeechModels::~SpeechModels()
{
    // Each download cancels itself and removes what it wrote.
    for (ModelDownload *d : std::as_const(m_downloads))
        d->disconnect(this);
}

QList<SphinxModel> SpeechModels::installed() const
{
    QList<SphinxModel> models;
    for (const SphinxModel &m : installedSphinxModels(m_roots)) {
        if (!m.installing)
            models.append(m);
    }
    return models;
}

bool SpeechModels::isRemovable(const SphinxModel &model) const
{
    return QFileInfo(model.folder).absolutePath() == QDir(m_userRoot).absolutePath();
}

qint64 SpeechModels::folderBytes(const QString &folder)
{
    qint64 bytes = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

std::optional<CatalogueModel> SpeechModels::offerFor(const QString &locale) const
{
    return catalogueModelFor(m_catalogue, locale);
}

bool SpeechModels::hasModelFor(const QString &locale) const
{
    const QString language = languageOf(locale);
    const QList<SphinxModel> models = installed();
    return std::any_of(models.cbegin(), models.cend(),
                       [&](const SphinxModel &m) { return languageOf(m.locale) == language; });
}

const ModelDownload *SpeechModels::download(const QString &locale) const
{
    return m_downloads.value(locale);
}

void SpeechModels::startDownload(const CatalogueModel &model)
{
    if (m_downloads.contains(model.locale))
        return;
    auto *download = new ModelDownload(model, m_userRoot, this);
    m_downloads.insert(model.locale, download);
    const QString locale = model.locale;
    connect(download, &ModelDownload::progressChanged, this, [this, locale] { emit downloadProgress(locale); });
    connect(download, &ModelDownload::finished, this,
            [this, locale, download](ModelDownloadFailure failure, const ModelProblem &detail,
                                     const QString &) {
                m_downloads.remove(locale);
                download->deleteLater();
                emit downloadFinished(locale, failure, detail);
                if (failure == ModelDownloadFailure::none)
                    emit installedChanged();
            });
    // Started before it is announced: its install lock is what tells a
    // follower that starts anew to wait for this model.
    download->start();
    if (download->isRunning())
        emit downloadStarted(locale);
}

void SpeechModels::cancelDownload(const QString &locale)
{
    if (ModelDownload *d = m_downloads.value(locale))
        d->cancel();
}

BasicStatus<ModelProblem> SpeechModels::remove(const SphinxModel &model)
{
    using S = BasicStatus<ModelProblem>;
    if (!isRemovable(model))
        return S::failure({.kind = ModelProblem::Kind::systemModel, .path = model.folder});
    if (!QDir(model.folder).removeRecursively())
        return S::failure({.kind = ModelProblem::Kind::notRemoved, .path = model.folder});
    emit installedChanged();
    return {};
}

} // namespace tandrel
