#include "speech/model_download.h"

#include "platform/main_thread.h"
#include "speech/sphinx_model_install.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <cerrno>

namespace tandrel {

namespace {

bool isFullDisk(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

ModelDownloadFailure failureOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return ModelDownloadFailure::serverError;
    default:
        return ModelDownloadFailure::noConnection;
    }
}

} // namespace

ModelDownload::ModelDownload(CatalogueModel model, QString root, QObject *parent)
    : QObject(parent), m_model(std::move(model)), m_root(std::move(root))
{
    m_progress.total = m_model.bytes;
}

ModelDownload::~ModelDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    if (m_unpacker.joinable())
        m_unpacker.join();
}

void ModelDownload::start()
{
    if (m_running)
        return;
    Result<std::unique_ptr<SphinxModelInstall>, ModelProblem> install
            = SphinxModelInstall::begin(m_model.locale, m_root);
    if (!install) {
        m_running = true; // `end` reports only a running download
        end(ModelDownloadFailure::notWritable, install.error());
        return;
    }
    m_install = std::move(install.value());
    m_running = true;
    m_network = std::make_unique<QNetworkAccessManager>();
    m_clock.start();
    fetchNext();
}

void ModelDownload::cancel()
{
    if (!m_running || m_progress.phase == ModelDownloadPhase::unpacking)
        return;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    end(ModelDownloadFailure::cancelled);
}

void ModelDownload::fetchNext()
{
    const bool archive = m_fileIndex == 0;
    const QUrl url = archive ? m_model.archive : m_model.files[m_fileIndex - 1].url;
    const QString name = archive ? QStringLiteral("download.tar.gz") : m_model.files[m_fileIndex - 1].name;
    m_file.close();
    m_file.setFileName(QDir(m_install->folder()).filePath(name));
    // Unbuffered, so that a full disk shows at the write that did not fit.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int error = errno;
        end(isFullDisk(error) ? ModelDownloadFailure::diskFull : ModelDownloadFailure::notWritable,
            error ? ModelProblem{.kind = ModelProblem::Kind::system, .cause = FileError{error}}
                  : ModelProblem{.kind = ModelProblem::Kind::reported, .detail = m_file.errorString()});
        return;
    }
    QNetworkRequest request(url);
    // SourceForge sends its downloads on to a mirror.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(60'000);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &ModelDownload::received);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &ModelDownload::updateProgress);
    connect(m_reply, &QNetworkReply::finished, this, &ModelDownload::transferDone);
}

void ModelDownload::received()
{
    if (!m_reply || m_writeFailure != ModelDownloadFailure::none)
        return;
    // An error page is not the model.
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return;
    const QByteArray bytes = m_reply->readAll();
    if (m_file.write(bytes) != bytes.size()) {
        const int error = errno;
        m_writeFailure = isFullDisk(error) ? ModelDownloadFailure::diskFull : ModelDownloadFailure::notWritable;
        m_writeDetail = error
                ? ModelProblem{.kind = ModelProblem::Kind::system, .cause = FileError{error}}
                : ModelProblem{.kind = ModelProblem::Kind::reported, .detail = m_file.errorString()};
        m_reply->abort();
    }
}

void ModelDownload::updateProgress(qint64 receivedOfFile, qint64 totalOfFile)
{
    if (!m_running)
        return;
    m_progress.phase = ModelDownloadPhase::downloading;
    m_progress.received = m_doneBytes + receivedOfFile;
    // The estimate stands until the server names its size.
    if (totalOfFile > 0)
        m_progress.total = m_doneBytes + totalOfFile;
    m_progress.total = std::max(m_progress.total, m_progress.received);
    const double seconds = m_clock.nsecsElapsed() / 1e9;
    if (seconds >= 1 && m_progress.received > 0) {
        const double rate = m_progress.received / seconds;
        m_progress.secondsLeft = double(m_progress.total - m_progress.received) / rate;
    }
    emit progressChanged();
}

void ModelDownload::transferDone()
{
    QNetworkReply *reply = m_reply;
    if (!reply || !m_running)
        return;
    reply->deleteLater();
    m_reply = nullptr;
    received();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_writeFailure != ModelDownloadFailure::none)
        return end(m_writeFailure, m_writeDetail);
    if (status >= 400)
        return end(ModelDownloadFailure::serverError,
                   {.kind = ModelProblem::Kind::httpStatus,
                    .detail = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                    .number = status});
    if (reply->error() != QNetworkReply::NoError)
        return end(failureOf(reply->error()),
                   {.kind = ModelProblem::Kind::reported, .detail = reply->errorString()});
    // A connection that closed early without the network noticing.
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > 0 && m_file.size() != announced)
        return end(ModelDownloadFailure::brokenArchive,
                   {.kind = ModelProblem::Kind::shortTransfer, .number = m_file.size(), .total = announced});
    m_doneBytes += m_file.size();
    m_file.close();
    if (m_fileIndex < m_model.files.size()) {
        ++m_fileIndex;
        fetchNext();
        return;
    }
    unpack();
}

void ModelDownload::unpack()
{
    const QString archive = QDir(m_install->folder()).filePath(QStringLiteral("download.tar.gz"));
    if (!m_model.sha256.isEmpty()) {
        Result<QString, ModelProblem> actual = fileSha256(archive);
        if (!actual || actual->compare(m_model.sha256, Qt::CaseInsensitive) != 0)
            return end(ModelDownloadFailure::brokenArchive,
                       actual ? ModelProblem{.kind = ModelProblem::Kind::checksumMismatch,
                                             .detail = *actual,
                                             .expected = m_model.sha256}
                              : actual.error());
    }
    QStringList files;
    for (const CatalogueFile &f : std::as_const(m_model.files))
        files << QDir(m_install->folder()).filePath(f.name);
    m_progress.phase = ModelDownloadPhase::unpacking;
    m_progress.secondsLeft = -1;
    emit progressChanged();
    // tar takes seconds for a large model; the window goes on meanwhile.
    SphinxModelInstall *install = m_install.get();
    m_unpacker = std::thread([this, install, archive, files] {
        Result<SphinxModel, ModelProblem> model = install->finish(archive, files);
        const bool diskFull = install->diskFull();
        runOnMain(this, [this, model, diskFull] {
            if (m_unpacker.joinable())
                m_unpacker.join();
            if (model)
                end(ModelDownloadFailure::none, {}, model->folder);
            else
                end(diskFull ? ModelDownloadFailure::diskFull : ModelDownloadFailure::brokenArchive,
                    model.error());
        });
    });
}

void ModelDownload::end(ModelDownloadFailure failure, const ModelProblem &detail, const QString &installed)
{
    if (!m_running)
        return;
    m_running = false;
    m_file.close();
    // Removes the hidden folder with whatever it holds, and the lock.
    m_install.reset();
    emit finished(failure, detail, installed);
}

} // namespace tandrel
