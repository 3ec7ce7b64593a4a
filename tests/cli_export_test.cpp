// tandrelctl export, run as the real program on a temporary library.
#include "library/library_store.h"
#include "platform/user_defaults.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out, err;
};

class CliExportTest : public ::testing::Test
{
protected:
    // Reel 7 with one take whose files exist, reel 8 without takes.
    void SetUp() override
    {
        UserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
        LibraryStore store(defaults, library());
        const ReelProject reel = store.createReel(7, QStringLiteral("Tom & Jerry"), QStringLiteral("Hallo"));
        store.createReel(8, QStringLiteral("Leer"), QString());
        const QDir takes(store.takesFolder(reel));
        for (const char *name : {"Peter's video.mov", "audio.m4a"}) {
            QFile file(takes.filePath(QString::fromUtf8(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000, '\0'));
        }
        store.addTake(Take{QUuid::createUuid(),
                           QDateTime::currentDateTimeUtc(),
                           QStringLiteral("Peter's video.mov"),
                           QStringLiteral("audio.m4a"),
                           3.0,
                           {{0.5, 2.0}}},
                      reel.id);
        ASSERT_FALSE(store.lastError().has_value());
    }

    QString library() const { return dir.filePath(QStringLiteral("my library")); }

    CliRun run(const QStringList &args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // nothing gets opened
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TANDRELCTL), QStringList{QStringLiteral("--library"), library()} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CliExportTest, PrintsTheBundleOfAValidDocument)
{
    const QString bundle = QDir(library()).filePath(QStringLiteral("007-tom-jerry/007-tom-jerry.fcpxmld"));
    const CliRun plain = run({QStringLiteral("export"), QStringLiteral("7")});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, bundle + QLatin1Char('\n'));

    const CliRun json = run({QStringLiteral("--json"), QStringLiteral("export"), QStringLiteral("007"),
                             QStringLiteral("--no-open")});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value(QStringLiteral("bundle")).toString(),
              bundle);

    const QString info = QDir(bundle).filePath(QStringLiteral("Info.fcpxml"));
    EXPECT_EQ(QProcess::execute(QStringLiteral("xmllint"),
                                {QStringLiteral("--noout"), QStringLiteral("--dtdvalid"),
                                 QStringLiteral(TANDREL_FCPXML_DTD), info}),
              0);
    QFile file(info);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray document = file.readAll();
    EXPECT_TRUE(document.contains("<project name=\"007 Tom &amp; Jerry\""));
    EXPECT_TRUE(document.contains("/my%20library/007-tom-jerry/takes/Peter&apos;s%20video.mov\""));
}

TEST_F(CliExportTest, FailuresGoToStandardErrorInGerman)
{
    const struct
    {
        QStringList args;
        int exitCode;
        const char *err;
    } cases[] = {
            {{QStringLiteral("8"), QStringLiteral("--no-open")},
             1,
             "Für dieses Reel gibt es noch keine Aufnahme.\n"},
            {{QStringLiteral("9")}, 1, "Kein Reel mit der Nummer 009.\n"},
            {{QStringLiteral("sieben")}, 2, "Aufruf: tandrelctl export NUMMER [--no-open]\n"},
            {{}, 2, "Aufruf: tandrelctl export NUMMER [--no-open]\n"},
    };
    for (const auto &c : cases) {
        const CliRun result = run(QStringList{QStringLiteral("export")} + c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(result.err, QString::fromUtf8(c.err)) << c.args.join(' ').toStdString();
        EXPECT_EQ(result.out, QString());
    }
}
