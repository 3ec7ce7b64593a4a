#include "cli/cli_context.h"

#include "app/speech_model_texts.h"
#include "speech/model_catalogue.h"
#include "speech/model_download.h"
#include "speech/sphinx_model.h"
#include "speech/sphinx_model_install.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace tandrel::cli {

namespace {


qint64 folderBytes(const QString &folder)
{
    qint64 bytes = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::German).toString(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

int listModels(CliContext &ctx)
{
    for (const SphinxModel &model : installedSphinxModels(sphinxModelRoots())) {
        if (model.installing) {
            if (ctx.json)
                continue;
            ctx.out << model.locale << '\t' << model.folder << '\t'
                    << QCoreApplication::translate("tandrelctl", "wird installiert") << '\n';
            continue;
        }
        const qint64 bytes = folderBytes(model.folder);
        if (ctx.json) {
            // Keys in the documented order (QJsonObject would sort them).
            auto quoted = [](const QString &s) {
                const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
                return QString::fromUtf8(a.mid(1, a.size() - 2));
            };
            ctx.out << "{\"locale\": " << quoted(model.locale) << ", \"folder\": " << quoted(model.folder)
                    << ", \"bytes\": " << bytes << "}\n";
        } else {
            ctx.out << model.locale << '\t' << model.folder << '\t' << megabytes(bytes) << '\n';
        }
    }
    return 0;
}

// Downloads `url` into `file`, showing progress on stderr in steps of ten
// percent (or of ten megabytes when the server names no size).
Status download(CliContext &ctx, const QUrl &url, QFile &file)
{
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = network.get(request);
    QEventLoop loop;
    qint64 shownStep = -1;
    bool written = true;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray bytes = reply->readAll();
        written = written && file.write(bytes) == bytes.size();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        const qint64 step = total > 0 ? received * 10 / total : received / 10'000'000;
        if (step == shownStep)
            return;
        shownStep = step;
        if (total > 0)
            ctx.err << QCoreApplication::translate("tandrelctl", "Lade herunter: %1 % (%2 von %3)")
                               .arg(step * 10)
                               .arg(megabytes(received), megabytes(total))
                    << Qt::endl;
        else
            ctx.err << QCoreApplication::translate("tandrelctl", "Lade herunter: %1").arg(megabytes(received))
                    << Qt::endl;
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return Status::failure(QCoreApplication::translate("tandrelctl", "Download von %1 fehlgeschlagen: %2")
                                       .arg(url.toString(), reply->errorString()));
    const QByteArray rest = reply->readAll();
    if (!written || file.write(rest) != rest.size() || !file.flush())
        return Status::failure(
                QCoreApplication::translate("tandrelctl", "Der Download ließ sich nicht speichern: %1")
                        .arg(file.errorString()));
    return {};
}

// Downloads the catalogue's model for the language of `locale`, with
// progress on stderr in steps of ten percent.
int installFromCatalogue(CliContext &ctx, const QString &locale)
{
    const std::optional<CatalogueModel> offer = catalogueModelFor(modelCatalogue(), locale);
    if (!offer)
        return ctx.fail(
                QCoreApplication::translate("tandrelctl", "Für „%1“ gibt es kein Sprachmodell zum Laden.")
                        .arg(locale));
    ModelDownload download(*offer, userSphinxModelRoot());
    QEventLoop loop;
    int shownStep = -1;
    bool unpacking = false;
    QObject::connect(&download, &ModelDownload::progressChanged, &loop, [&] {
        const ModelDownloadProgress &p = download.progress();
        if (p.phase == ModelDownloadPhase::unpacking && !unpacking) {
            unpacking = true;
            ctx.err << QCoreApplication::translate("tandrelctl", "Entpacke das Sprachmodell…") << Qt::endl;
        }
        if (p.phase != ModelDownloadPhase::downloading || p.total <= 0)
            return;
        const int step = int(p.received * 10 / p.total);
        if (step != shownStep) {
            shownStep = step;
            ctx.err << QCoreApplication::translate("tandrelctl", "Lade herunter: %1 % (%2)")
                               .arg(step * 10)
                               .arg(downloadProgressText(p))
                    << Qt::endl;
        }
    });
    ModelDownloadFailure failure = ModelDownloadFailure::none;
    ModelProblem detail;
    QString installed;
    QObject::connect(&download, &ModelDownload::finished, &loop,
                     [&](ModelDownloadFailure f, const ModelProblem &d, const QString &folder) {
                         failure = f;
                         detail = d;
                         installed = folder;
                         loop.quit();
                     });
    download.start();
    if (download.isRunning())
        loop.exec();
    if (failure != ModelDownloadFailure::none)
        return ctx.fail(downloadFailureText(failure, detail));
    ctx.out << QCoreApplication::translate("tandrelctl", "Sprachmodell %1 installiert: %2")
                       .arg(offer->locale, installed)
            << '\n';
    return 0;
}

int installModel(CliContext &ctx)
{
    const std::optional<QString> locale = ctx.option(QStringLiteral("--locale"));
    const std::optional<QString> sha256 = ctx.option(QStringLiteral("--sha256"));
    if (ctx.args.size() != 1)
        return ctx.usage();
    // A language alone: the model from the catalogue.
    if (!locale && !sha256 && isLocaleName(ctx.args.first()) && !QFileInfo::exists(ctx.args.first()))
        return installFromCatalogue(ctx, ctx.args.first());
    if (!locale)
        return ctx.usage();
    if (!isLocaleName(*locale))
        return ctx.fail(QCoreApplication::translate("tandrelctl", "„%1“ ist keine Sprache (etwa de-DE).")
                                .arg(*locale));
    const QString source = ctx.args.first();
    // From here on a follower that wants this locale waits for the install.
    Result<std::unique_ptr<SphinxModelInstall>, ModelProblem> install
            = SphinxModelInstall::begin(*locale, userSphinxModelRoot());
    if (!install)
        return ctx.fail(modelProblemText(install.error()));
    SphinxModelInstall &installing = *install.value();

    QString archive = source;
    const QUrl url(source);
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
        archive = QDir(installing.folder()).filePath(QStringLiteral("download.tar.gz"));
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly))
            return ctx.fail(QCoreApplication::translate("tandrelctl", "%1 lässt sich nicht anlegen: %2")
                                    .arg(archive, file.errorString()));
        if (Status s = download(ctx, url, file); !s)
            return ctx.fail(s.error());
    }
    if (sha256) {
        Result<QString, ModelProblem> actual = fileSha256(archive);
        if (!actual)
            return ctx.fail(modelProblemText(actual.error()));
        if (actual->compare(sha256->trimmed(), Qt::CaseInsensitive) != 0)
            return ctx.fail(QCoreApplication::translate(
                                    "tandrelctl", "Die Prüfsumme stimmt nicht: erwartet %1, erhalten %2.")
                                    .arg(sha256->trimmed().toLower(), *actual));
    }
    ctx.err << QCoreApplication::translate("tandrelctl", "Entpacke das Sprachmodell…") << Qt::endl;
    Result<SphinxModel, ModelProblem> model = installing.finish(archive);
    if (!model)
        return ctx.fail(modelProblemText(model.error()));
    ctx.out << QCoreApplication::translate("tandrelctl", "Sprachmodell %1 installiert: %2")
                       .arg(model->locale, model->folder)
            << '\n';
    return 0;
}

} // namespace

// Lists the installed recogniser models, or installs one from an archive.
int runModels(CliContext &ctx)
{
    if (ctx.args.isEmpty())
        return listModels(ctx);
    if (ctx.args.first() == QLatin1String("install")) {
        ctx.args.removeFirst();
        return installModel(ctx);
    }
    return ctx.usage();
}

} // namespace tandrel::cli
