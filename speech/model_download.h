#pragma once

#include "speech/model_catalogue.h"
#include "speech/model_problem.h"
#include "speech/sphinx_model.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

class QNetworkAccessManager;
class QNetworkReply;

namespace tandrel {

class SphinxModelInstall;

enum class ModelDownloadPhase {
    connecting, // waiting for the server's first answer
    downloading,
    unpacking, // verified; being unpacked and put in place (cannot be cancelled)
};

// Why a download ended without a model.
enum class ModelDownloadFailure {
    none,
    cancelled, // the user's doing; nothing to report
    noConnection, // no network, the host unknown or unreachable, the connection lost
    serverError, // the server answered with an error status
    diskFull, // the download or the unpacked model did not fit
    brokenArchive, // incomplete, a wrong checksum, not unpackable or no model inside
    notWritable, // the models folder cannot be written
};

struct ModelDownloadProgress
{
    ModelDownloadPhase phase = ModelDownloadPhase::connecting;
    qint64 received = 0;
    qint64 total = 0; // the server's announced size so far; else the catalogue's estimate
    double secondsLeft = -1; // -1 while not known
    bool operator==(const ModelDownloadProgress &) const = default;
};

// Downloads one catalogue model and installs it into `root`/<locale>. From
// `start` on, the install's lock tells a follower that the locale is being
// installed (it waits and then takes the new model); the download lands in
// the install's hidden folder, is checked (size, checksum), unpacked on a
// thread of its own and verified as a model before it is renamed into place.
// A failure or a cancel leaves nothing behind.
//
// Main thread only; `finished` comes once, also after `cancel`.
class ModelDownload : public QObject
{
    Q_OBJECT
public:
    ModelDownload(CatalogueModel model, QString root, QObject *parent = nullptr);
    // Cancels; waits for an unpacking thread.
    ~ModelDownload() override;

    const CatalogueModel &model() const { return m_model; }
    const ModelDownloadProgress &progress() const { return m_progress; }
    bool isRunning() const { return m_running; }

    void start();
    // Stops the transfer and removes what it wrote; ignored while unpacking.
    void cancel();

signals:
    void progressChanged();
    // `detail` tells what went wrong, where more is known than `failure`;
    // `installed` is the model's folder on success.
    void finished(tandrel::ModelDownloadFailure failure, const tandrel::ModelProblem &detail,
                  const QString &installed);

private:
    void fetchNext();
    void received();
    void transferDone();
    void unpack();
    void end(ModelDownloadFailure failure, const ModelProblem &detail = {}, const QString &installed = {});
    void updateProgress(qint64 receivedOfFile, qint64 totalOfFile);

    CatalogueModel m_model;
    QString m_root;
    ModelDownloadProgress m_progress;
    bool m_running = false;
    std::unique_ptr<SphinxModelInstall> m_install;
    std::unique_ptr<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    QFile m_file;
    int m_fileIndex = 0; // 0: the archive; then `files`
    qint64 m_doneBytes = 0; // of the files before the current one
    ModelDownloadFailure m_writeFailure = ModelDownloadFailure::none;
    ModelProblem m_writeDetail;
    QElapsedTimer m_clock;
    std::thread m_unpacker;
};

} // namespace tandrel
