#include "speech/model_download.h"
#include "speech/speech_models.h"
#include "speech/sphinx_model_install.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/local_http_server.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// A .tar.gz of a folder holding `files` (path -> content), as the project's
// archives hold a model inside one folder.
QByteArray tarball(const QList<std::pair<QString, QByteArray>> &files)
{
    QTemporaryDir dir;
    for (const auto &[path, content] : files) {
        const QString full = dir.filePath(QStringLiteral("model-5.2/") + path);
        QDir().mkpath(QFileInfo(full).absolutePath());
        writeFile(full, content);
    }
    QProcess tar;
    tar.setWorkingDirectory(dir.path());
    tar.start(QStringLiteral("tar"), {QStringLiteral("-czf"), QStringLiteral("-"), QStringLiteral("model-5.2")});
    tar.waitForFinished(30000);
    return tar.readAllStandardOutput();
}

QByteArray modelArchive()
{
    // Large enough to come in many pieces; random, so that gzip keeps its size.
    QByteArray means(400 * 1024, Qt::Uninitialized);
    quint32 x = 7;
    for (char &c : means)
        c = char((x = x * 1664525u + 1013904223u) >> 24);
    return tarball({{"acoustic/mdef", "0.3\n"}, {"acoustic/means", means}, {"etc/test.dic", "hallo h a l o\n"}});
}

struct Outcome
{
    bool finished = false;
    ModelDownloadFailure failure = ModelDownloadFailure::none;
    ModelProblem detail;
    QString installed;
    QList<ModelDownloadProgress> progress;
};

// Starts a download of `model` into `root`; `whileRunning` may act on it
// at each progress report.
Outcome download(const CatalogueModel &model, const QString &root,
                 const std::function<void(ModelDownload &)> &whileRunning = {})
{
    Outcome outcome;
    ModelDownload d(model, root);
    QObject::connect(&d, &ModelDownload::progressChanged, [&] {
        outcome.progress.append(d.progress());
        if (whileRunning)
            whileRunning(d);
    });
    QObject::connect(&d, &ModelDownload::finished,
                     [&](ModelDownloadFailure failure, const ModelProblem &detail, const QString &installed) {
                         outcome.finished = true;
                         outcome.failure = failure;
                         outcome.detail = detail;
                         outcome.installed = installed;
                     });
    d.start();
    waitUntil([&] { return outcome.finished; }, 60000);
    return outcome;
}

// Whatever a download leaves in the models folder besides installed models.
QStringList leftovers(const QString &root)
{
    return QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

CatalogueModel offer(const LocalHttpServer &server, const QString &path = QStringLiteral("/de.tar.gz"))
{
    return CatalogueModel{QStringLiteral("de-DE"), QUrl(server.url(path)), 500'000, {}, {}};
}

} // namespace

TEST(ModelDownload, InstallsTheModelAndReportsBytesAndTimeLeftOnTheWay)
{
    LocalHttpServer server;
    const QByteArray archive = modelArchive();
    // A slow server: about two seconds for the whole archive.
    server.respond("/de.tar.gz", HttpResponse::ok(archive, archive.size() / 40, 50));
    QTemporaryDir root;
    const Outcome outcome = download(offer(server), root.path());

    ASSERT_EQ(outcome.failure, ModelDownloadFailure::none) << qPrintable(outcome.detail.detail);
    EXPECT_EQ(outcome.installed, QDir(root.filePath("de-DE")).absolutePath());
    EXPECT_TRUE(sphinxModelIn(outcome.installed, "de-DE").has_value());
    EXPECT_EQ(leftovers(root.path()), QStringList{"de-DE"}) << "the download's own folder is gone";
    // Progress grows to the server's size; the time left is known once a
    // second has passed, and the last step is the unpacking.
    ASSERT_GE(outcome.progress.size(), 10);
    qint64 received = 0;
    bool timeLeft = false;
    for (const ModelDownloadProgress &p : outcome.progress) {
        if (p.phase != ModelDownloadPhase::downloading)
            continue;
        EXPECT_GE(p.received, received);
        received = p.received;
        EXPECT_EQ(p.total, archive.size());
        timeLeft = timeLeft || p.secondsLeft >= 0;
    }
    EXPECT_EQ(received, archive.size());
    EXPECT_TRUE(timeLeft);
    EXPECT_EQ(outcome.progress.last().phase, ModelDownloadPhase::unpacking);
}

TEST(ModelDownload, FailsWithTheRightReasonAndLeavesNothingBehind)
{
    LocalHttpServer server;
    const QByteArray archive = modelArchive();
    server.respond("/moved", HttpResponse::redirect(server.url("/de.tar.gz").toUtf8()));
    server.respond("/de.tar.gz", HttpResponse::ok(archive));
    server.respond("/error", HttpResponse::error(500));
    server.respond("/garbage", HttpResponse::ok(QByteArray(5000, 'x')));
    server.respond("/nomodel", HttpResponse::ok(tarball({{"README", "only text"}})));
    server.respond("/broken", HttpResponse::broken(archive.left(archive.size() / 2), archive.size()));
    const CatalogueModel wrongSum{"de-DE", server.url("/de.tar.gz"), 1, QString(64, '0'), {}};
    // Nothing listens on a port just closed.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 closedPort = closed.serverPort();
    closed.close();
    const CatalogueModel unreachable{"de-DE", QUrl(QStringLiteral("http://127.0.0.1:%1/de.tar.gz").arg(closedPort)),
                                     1, {}, {}};
    const struct
    {
        const char *name;
        CatalogueModel model;
        ModelDownloadFailure failure;
        ModelProblem::Kind detail;
    } cases[] = {
            {"redirected", offer(server, "/moved"), ModelDownloadFailure::none, ModelProblem::Kind::none},
            {"server error", offer(server, "/error"), ModelDownloadFailure::serverError,
             ModelProblem::Kind::httpStatus},
            {"missing", offer(server, "/nothing"), ModelDownloadFailure::serverError,
             ModelProblem::Kind::httpStatus},
            {"not an archive", offer(server, "/garbage"), ModelDownloadFailure::brokenArchive,
             ModelProblem::Kind::notUnpacked},
            {"no model inside", offer(server, "/nomodel"), ModelDownloadFailure::brokenArchive,
             ModelProblem::Kind::noModel},
            {"connection breaks", offer(server, "/broken"), ModelDownloadFailure::noConnection,
             ModelProblem::Kind::reported},
            {"wrong checksum", wrongSum, ModelDownloadFailure::brokenArchive,
             ModelProblem::Kind::checksumMismatch},
            {"no server", unreachable, ModelDownloadFailure::noConnection, ModelProblem::Kind::reported},
    };
    for (const auto &c : cases) {
        QTemporaryDir root;
        const Outcome outcome = download(c.model, root.path());
        ASSERT_TRUE(outcome.finished) << c.name;
        EXPECT_EQ(outcome.failure, c.failure) << c.name << ": " << qPrintable(outcome.detail.detail);
        EXPECT_EQ(outcome.detail.kind, c.detail) << c.name;
        const QStringList expected = c.failure == ModelDownloadFailure::none ? QStringList{"de-DE"} : QStringList{};
        EXPECT_EQ(leftovers(root.path()), expected) << c.name;
    }
}

TEST(ModelDownload, ACancelOrAFullDiskLeavesNothingAndAnInstalledModelUntouched)
{
    LocalHttpServer server;
    const QByteArray archive = modelArchive();
    server.respond("/de.tar.gz", HttpResponse::ok(archive, archive.size() / 50, 40));
    for (const bool cancel : {true, false}) {
        QTemporaryDir root;
        // A model installed before stays as it was.
        writeFile(root.filePath("de-DE/acoustic/mdef"), "old");
        writeFile(root.filePath("de-DE/old.dict"), "old o l d\n");
        Outcome outcome;
        if (cancel) {
            outcome = download(offer(server), root.path(), [](ModelDownload &d) {
                if (d.progress().received > 0)
                    d.cancel();
            });
        } else {
            const FileSizeLimit full(archive.size() / 3);
            outcome = download(offer(server), root.path());
        }
        EXPECT_EQ(outcome.failure, cancel ? ModelDownloadFailure::cancelled : ModelDownloadFailure::diskFull)
                << qPrintable(outcome.detail.detail);
        EXPECT_EQ(leftovers(root.path()), QStringList{"de-DE"});
        EXPECT_EQ(readFile(root.filePath("de-DE/acoustic/mdef")), "old");
    }
}

TEST(SpeechModels, OffersTheCatalogueByLanguageAndRemovesOnlyTheUsersModels)
{
    QTemporaryDir user, system;
    writeFile(user.filePath("fr-FR/acoustic/mdef"), "x");
    writeFile(user.filePath("fr-FR/fr.dict"), "bonjour b o~ Z u R\n");
    writeFile(system.filePath("en-us/en-us/mdef"), "x");
    writeFile(system.filePath("en-us/cmudict-en-us.dict"), "hello HH AH L OW\n");
    SpeechModels models(user.path(), {system.path()});

    EXPECT_EQ(models.installed().size(), 2);
    EXPECT_TRUE(models.hasModelFor("fr_CA"));
    EXPECT_FALSE(models.hasModelFor("de"));
    ASSERT_TRUE(models.offerFor("de_AT").has_value());
    EXPECT_EQ(models.offerFor("de_AT")->locale, "de-DE");
    EXPECT_FALSE(models.offerFor("xx").has_value());

    for (const SphinxModel &m : models.installed()) {
        const bool user = m.locale == "fr-FR";
        EXPECT_EQ(models.isRemovable(m), user) << qPrintable(m.folder);
        EXPECT_EQ(models.remove(m).ok(), user) << qPrintable(m.folder);
    }
    EXPECT_FALSE(QFileInfo::exists(user.filePath("fr-FR")));
    EXPECT_TRUE(QFileInfo::exists(system.filePath("en-us/en-us/mdef")));
}
