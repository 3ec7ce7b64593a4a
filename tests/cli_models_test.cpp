// tandrelctl models, run as a user runs it: model archives installed from a
// file, from a small HTTP server on 127.0.0.1 and by language from the
// catalogue (mirrored there), listed, and used by tandrelctl follow for the
// script's language.

#include "bench/follow_scripts.h"
#include "speech/espeak_wav.h"
#include "speech/script_aligner.h"
#include "tests/support/english_model_archive.h"
#include "tests/support/local_http_server.h"
#include "tests/support/tandrelctl_run.h"
#include "tests/support/wait_until.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tandrel::testing::CtlRun;
using tandrel::testing::waitUntil;
using tandrel::testing::writeFile;

const QString debianModel = tandrel::testing::debianEnglishModel;

struct Fixture
{
    QTemporaryDir dir;
    tandrel::testing::LocalHttpServer server;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString models() const { return path("data/Tandrel/models"); }

    // Runs tandrelctl with the temporary data folder as the user's and
    // `locale` as the system locale, serving HTTP meanwhile. Its messages
    // stay German (LANGUAGE comes first), whatever the locale.
    CtlRun tandrelctl(const QStringList &args, const QString &locale = QStringLiteral("en_US.UTF-8"))
    {
        tandrel::testing::Tandrelctl ctl(dir.path());
        ctl.environment().insert("XDG_DATA_DIRS", path("system"));
        ctl.environment().insert("TANDREL_MODEL_MIRROR", server.url("/mirror"));
        ctl.environment().insert("LC_ALL", locale);
        ctl.environment().insert("LANG", locale);
        ctl.environment().insert("LANGUAGE", "de");
        QProcess process;
        ctl.start(process, args);
        waitUntil([&] { return process.state() == QProcess::NotRunning; }, 300000);
        return tandrel::testing::Tandrelctl::finish(process, 0);
    }

    QByteArray repackedEnglishModel(const QStringList &leaveOut = {})
    {
        return tandrel::testing::repackedEnglishModel(path("work"), leaveOut);
    }
};

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST(TandrelctlModels, InstallsFromFilesAndUrlsAndLeavesNothingBehindWhenAnInstallFails)
{
    Fixture f;
    const QByteArray archive = f.repackedEnglishModel();
    ASSERT_FALSE(archive.isEmpty());
    using tandrel::testing::HttpResponse;
    f.server.respond("/model.tar.gz", HttpResponse::ok(archive));
    // The catalogue's Spanish model, and its German one with the wrong bytes.
    f.server.respond("/mirror/Spanish/cmusphinx-es-5.2.tar.gz", HttpResponse::ok(archive));
    f.server.respond("/mirror/German/cmusphinx-de-voxforge-5.2.tar.gz", HttpResponse::ok(archive));
    ASSERT_TRUE(writeFile(f.path("notes.txt"), "no model here"));
    QProcess tar;
    tar.start("tar", {"-czf", f.path("notes.tar.gz"), "-C", f.path(QString()), "notes.txt"});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    ASSERT_TRUE(writeFile(f.path("broken.tar.gz"), "not gzip at all"));
    const QString url = f.server.url("/model.tar.gz");
    const QString local = f.path("work/model.tar.gz");
    const QString install = QStringLiteral("install"), models = QStringLiteral("models"),
                  locale = QStringLiteral("--locale"), sum = QStringLiteral("--sha256");

    const struct
    {
        QStringList args;
        int exitCode;
        const char *output; // in stdout on success, else in stderr
    } cases[] = {
            {{models, install, local, locale, "de_de"}, 0, "Sprachmodell de-DE installiert"},
            {{models, install, url, locale, "en-GB", sum, sha256(archive).toUpper()},
             0,
             "Sprachmodell en-GB installiert"},
            // Installing again replaces the model in place.
            {{models, install, url, locale, "de-DE"}, 0, "Sprachmodell de-DE installiert"},
            {{models, install, url, locale, "fr-FR", sum, sha256("other")}, 1, "Die Prüfsumme stimmt nicht"},
            {{models, install, f.server.url("/missing.tar.gz"), locale, "fr-FR"}, 1, "Download von"},
            {{models, install, f.path("notes.tar.gz"), locale, "fr-FR"},
             1,
             "enthält kein PocketSphinx-Modell"},
            {{models, install, f.path("broken.tar.gz"), locale, "fr-FR"}, 1, "ließ sich nicht entpacken"},
            {{models, install, local, locale, "de DE!"}, 1, "ist keine Sprache"},
            {{models, install, local, sum, sha256(archive)}, 2, "Aufruf: tandrelctl models"},
            // By language, from the catalogue.
            {{models, install, "es_MX"}, 0, "Sprachmodell es-ES installiert"},
            {{models, install, "de-DE"}, 1, "unvollständig oder beschädigt"},
            {{models, install, "xx-XX"}, 1, "gibt es kein Sprachmodell zum Laden"},
    };
    for (const auto &c : cases) {
        const CtlRun run = f.tandrelctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode)
                << qPrintable(c.args.join(QLatin1Char(' ')) + QLatin1Char('\n') + run.err);
        EXPECT_TRUE((c.exitCode == 0 ? run.out : run.err).contains(QString::fromUtf8(c.output)))
                << qPrintable(run.out + run.err);
    }
    const CtlRun downloaded = f.tandrelctl({models, install, url, locale, "en-GB"});
    EXPECT_TRUE(downloaded.err.contains("Lade herunter: 100 %")) << qPrintable(downloaded.err);

    const CtlRun catalogued = f.tandrelctl({models, install, "es-ES"});
    EXPECT_TRUE(catalogued.err.contains("Lade herunter: 100 %")) << qPrintable(catalogued.err);

    // Only the installed models are left: no download, no half-unpacked folder.
    EXPECT_EQ(QDir(f.models()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"de-DE", "en-GB", "es-ES"}));

    const CtlRun plain = f.tandrelctl({models});
    ASSERT_EQ(plain.exitCode, 0) << qPrintable(plain.err);
    const QStringList lines = plain.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << qPrintable(plain.out);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("de-DE\t") + f.models() + "/de-DE\t"))
            << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].startsWith("en-GB\t")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("en-US\t") + debianModel + QLatin1Char('\t')))
            << qPrintable(lines[3]);
    EXPECT_TRUE(lines[0].endsWith(" MB")) << qPrintable(lines[0]);

    const CtlRun json = f.tandrelctl({"--json", models});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonObject first
            = QJsonDocument::fromJson(json.out.split(QLatin1Char('\n')).first().toUtf8()).object();
    EXPECT_EQ(first["locale"].toString(), "de-DE");
    EXPECT_EQ(first["folder"].toString(), f.models() + "/de-DE");
    // The acoustic model and dictionary as unpacked, counted file by file.
    qint64 bytes = 0;
    for (QDirIterator it(f.models() + "/de-DE", QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    EXPECT_EQ(first["bytes"].toInteger(), bytes);
    EXPECT_GT(bytes, 1'000'000);
}

TEST(TandrelctlModels, FollowTakesTheModelOfTheScriptsLanguageOrTheForcedLocale)
{
    Fixture f;
    // The installed "German" model is English without the word "welcome": a
    // transcript without it shows which model listened.
    const QByteArray archive = f.repackedEnglishModel({"welcome"});
    f.server.respond("/de.tar.gz", tandrel::testing::HttpResponse::ok(archive));
    const CtlRun installed = f.tandrelctl({"models", "install", f.server.url("/de.tar.gz"), "--locale",
                                           "de-DE", "--sha256", sha256(archive)});
    ASSERT_EQ(installed.exitCode, 0) << qPrintable(installed.err);

    const QString script = QString::fromUtf8(tandrel::bench::followScripts[0].text);
    ASSERT_TRUE(script.contains("welcome"));
    const qint64 tokens = tandrel::ScriptAligner::tokenize(script).size();
    ASSERT_TRUE(writeFile(f.path("script.txt"), script.toUtf8()));
    ASSERT_TRUE(tandrel::testing::speakToWav(script, f.path("reading.wav")));
    const QStringList follow{
            "--json", "follow", "--script", f.path("script.txt"), "--audio", f.path("reading.wav"), "--fast"};
    // An English script takes the English model whatever the user's locale;
    // --locale forces another.
    const struct
    {
        const char *locale;
        QStringList forced;
        bool hearsWelcome;
    } cases[] = {{"de_DE.UTF-8", {}, true}, {"en_US.UTF-8", {"--locale", "de-DE"}, false}};
    for (const auto &c : cases) {
        const CtlRun run = f.tandrelctl(follow + c.forced, QString::fromLatin1(c.locale));
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        const QJsonObject last = QJsonDocument::fromJson(lines.last().toUtf8()).object();
        EXPECT_EQ(last["transcript"].toString().contains("welcome"), c.hearsWelcome)
                << c.locale << ": " << qPrintable(lines.last());
        // The word left out of the model is stepped over all the same.
        EXPECT_GE(last["cursor"].toInteger(), tokens * 95 / 100)
                << c.locale << ": " << qPrintable(lines.last());
    }
}
