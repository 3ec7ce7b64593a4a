#pragma once

#include "platform/result.h"
#include "speech/model_catalogue.h"
#include "speech/model_download.h"
#include "speech/sphinx_model.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>

namespace tandrel {

// The recogniser's models on this machine: the installed ones, the
// catalogue of those that can be downloaded, and the downloads running, at
// most one per locale. Downloads install for this user (into `userRoot`);
// only models there can be removed (the others belong to system packages).
//
// Main thread only.
class SpeechModels : public QObject
{
    Q_OBJECT
public:
    explicit SpeechModels(QString userRoot = userSphinxModelRoot(), QStringList roots = sphinxModelRoots(),
                          QObject *parent = nullptr);
    ~SpeechModels() override;

    // The complete models of every folder, read anew on each call.
    QList<SphinxModel> installed() const;
    QString userRoot() const { return m_userRoot; }
    bool isRemovable(const SphinxModel &model) const;
    // Bytes the model's folder holds.
    static qint64 folderBytes(const QString &folder);

    const QList<CatalogueModel> &catalogue() const { return m_catalogue; }
    void setCatalogue(QList<CatalogueModel> catalogue) { m_catalogue = std::move(catalogue); }
    // The catalogue's model for the language of `locale`, if any.
    std::optional<CatalogueModel> offerFor(const QString &locale) const;
    // Whether a model of that language is installed.
    bool hasModelFor(const QString &locale) const;

    // The running download of the catalogue model for `locale`, if any.
    const ModelDownload *download(const QString &locale) const;
    QStringList downloading() const { return m_downloads.keys(); }
    // Starts downloading `model` unless it already is.
    void startDownload(const CatalogueModel &model);
    void cancelDownload(const QString &locale);
    // Removes a model installed for this user.
    BasicStatus<ModelProblem> remove(const SphinxModel &model);

signals:
    void installedChanged();
    void downloadStarted(const QString &locale);
    void downloadProgress(const QString &locale);
    // After the download has gone: `installed` is the model's folder on success.
    void downloadFinished(const QString &locale, tandrel::ModelDownloadFailure failure,
                          const tandrel::ModelProblem &detail);

private:
    QString m_userRoot;
    QStringList m_roots;
    QList<CatalogueModel> m_catalogue;
    QHash<QString, ModelDownload *> m_downloads; // owned (children)
};

} // namespace tandrel
