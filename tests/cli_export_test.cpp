// tandrelctl export, run as the real program on a temporary library.
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "tests/support/run_tool.h"
#include "tests/support/take_files.h"
#include "tests/support/tandrelctl_run.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

class CliExportTest : public ::testing::Test
{
protected:
    // Reel 7 with one take whose files exist, reel 8 without takes.
    void SetUp() override
    {
        SettingsStore settings(dir.filePath("settings.ini"));
        LibraryStore store(settings, library());
        const ReelProject reel = store.createReel(7, "Tom & Jerry", "Hallo").value();
        store.createReel(8, "Leer", QString());
        addTakeWithFiles(store, reel.id, makeTake("Peter's video.mov", "audio.m4a", 3.0, {{0.5, 2.0}}));
        ASSERT_FALSE(store.lastError().has_value());
    }

    QString library() const { return dir.filePath("my library"); }

    // With `systemEditors`, the editors Debian installed are found and
    // opened on the test's display; without, none is found.
    CtlRun run(const QStringList &args, bool systemEditors = false)
    {
        Tandrelctl ctl(dir.path(), library());
        QProcessEnvironment &env = ctl.environment();
        env.insert("XDG_DATA_HOME", dir.filePath("share"));
        if (!systemEditors) {
            env.insert("QT_QPA_PLATFORM", "offscreen"); // nothing gets opened
            env.insert("XDG_DATA_DIRS", dir.filePath("no system share"));
        }
        // Kdenlive marks its start in the temporary folder; the mark of one
        // killed here must not stop another from opening its project.
        env.insert("TMPDIR", dir.path());
        return ctl.run(args, {}, 60000);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CliExportTest, PrintsTheBundleItWroteForTheReel)
{
    const QString bundle = QDir(library()).filePath("007-tom-jerry/007-tom-jerry.fcpxmld");
    const CtlRun plain = run({"export", "7"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, bundle + QLatin1Char('\n'));

    const CtlRun json = run({"--json", "export", "007", "--no-open"});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value("bundle").toString(), bundle);

    // The document's validity is the bundle export's test; here it is the reel's.
    const QByteArray document = readFile(QDir(bundle).filePath("Info.fcpxml"));
    EXPECT_TRUE(document.contains("<project name=\"007 Tom &amp; Jerry\""));
    EXPECT_TRUE(document.contains("/my%20library/007-tom-jerry/takes/Peter&apos;s%20video.mov\""));
}

TEST_F(CliExportTest, FailuresGoToStandardErrorInGerman)
{
    const QString usage = "Aufruf: tandrelctl export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]\n";
    const struct
    {
        QStringList args;
        int exitCode;
        QString err;
    } cases[] = {
            {{"8", "--no-open"}, 1, "Für dieses Reel gibt es noch keine Aufnahme.\n"},
            {{"9"}, 1, "Kein Reel mit der Nummer 009.\n"},
            {{"sieben"}, 2, usage},
            {{}, 2, usage},
            {{"7", "--format", "premiere"}, 2, usage},
            {{"7", "--format"}, 2, "Wert fehlt nach --format.\n" + usage},
            {{"8", "--format", "kdenlive", "--no-open"}, 1, "Für dieses Reel gibt es noch keine Aufnahme.\n"},
    };
    for (const auto &c : cases) {
        const CtlRun result = run(QStringList{"export"} + c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(result.err, c.err) << c.args.join(' ').toStdString();
        EXPECT_EQ(result.out, QString());
    }
}

// --format writes the editor's project beside the bundle; opening hands it to
// the editor's program as its desktop entry says.
TEST_F(CliExportTest, WritesTheChosenEditorsProjectAndOpensItWithTheEditor)
{
    const QDir reelFolder(QDir(library()).filePath("007-tom-jerry"));
    const struct
    {
        const char *format;
        const char *file;
    } cases[] = {{"kdenlive", "007-tom-jerry.kdenlive"}, {"shotcut", "007-tom-jerry.mlt"}};
    for (const auto &c : cases) {
        const CtlRun json
                = run({"--json", "export", "7", "--format", QString::fromUtf8(c.format), "--no-open"});
        EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        EXPECT_EQ(object.value("project").toString(), reelFolder.filePath(QString::fromUtf8(c.file)));
        EXPECT_EQ(object.value("format").toString(), QString::fromUtf8(c.format));
        EXPECT_TRUE(QFileInfo(reelFolder.filePath(QString::fromUtf8(c.file))).size() > 0);
    }

    // Debian's Kdenlive, through its own desktop entry: it is started on the
    // test's display with the project, as its Exec line asks for it.
    ASSERT_TRUE(QFileInfo::exists("/usr/share/applications/org.kde.kdenlive.desktop"))
            << "kdenlive is not installed";
    const QString project = reelFolder.filePath("007-tom-jerry.kdenlive");
    const CtlRun opened = run({"export", "7", "--format", "kdenlive"}, true);
    EXPECT_EQ(opened.exitCode, 0) << opened.err.toStdString();
    EXPECT_EQ(opened.out, project + QLatin1Char('\n'));
    const auto running = [] { return runTool("pgrep", {"-a", "kdenlive"}).text(); };
    EXPECT_TRUE(waitUntil([&] { return running().contains(project); }, 30000)) << running().toStdString();
    // Kdenlive ignores SIGTERM.
    for (const QString &line : running().split(QLatin1Char('\n')))
        if (line.contains(project))
            runTool("kill", {"-KILL", line.section(QLatin1Char(' '), 0, 0)});
    EXPECT_TRUE(waitUntil([&] { return !running().contains(project); }, 30000)) << running().toStdString();
}
