#include "export/editor_choice.h"

#include "export/editor_export.h"
#include "export/mlt_test_support.h"
#include "platform/settings_store.h"
#include "tests/support/recording_opener.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// Application folders of a made-up desktop; programs are shell scripts that
// write their arguments, one a line, to "<name>.args" beside them.
class Desktop
{
public:
    QString applications(int n) const { return dir.filePath(QStringLiteral("apps%1").arg(n)); }

    void install(int folder, const QString &fileName, const QString &body)
    {
        EXPECT_TRUE(writeFile(QDir(applications(folder)).filePath(fileName), body.toUtf8()));
    }
    // An executable script; its path.
    QString program(const QString &name)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeFile(
                path,
                QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1.args.tmp\" && mv \"%1.args.tmp\" "
                               "\"%1.args\"\n")
                        .arg(path)
                        .toUtf8()));
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
    QStringList argumentsOf(const QString &program) const
    {
        return QString::fromUtf8(readFile(program + ".args")).split(u'\n', Qt::SkipEmptyParts);
    }
    EditorChoice choice() const { return EditorChoice({applications(1), applications(2)}); }

    QTemporaryDir dir;
};

QString entry(const QString &exec, const QString &extra = {})
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Editor\nExec=") + exec + QLatin1Char('\n')
            + extra + "[Desktop Action New]\nExec=wrong %f\n";
}

} // namespace

TEST(DesktopEntry, ExecBecomesTheCommandForAFile)
{
    const QString file = QStringLiteral("/tmp/a b/007 x.kdenlive");
    const struct
    {
        const char *exec;
        QStringList command;
    } cases[] = {
            {"kdenlive %F", {"kdenlive", file}},
            {"shotcut %f", {"shotcut", file}},
            {"kdenlive %U", {"kdenlive", "file:///tmp/a%20b/007%20x.kdenlive"}},
            {"editor --open-file=%f -x", {"editor", "--open-file=" + file, "-x"}},
            {"editor", {"editor", file}},
            {"\"/opt/my editor/bin/run\" --name \"a \\\"q\\\" b\" %i %c %k %F",
             {"/opt/my editor/bin/run", "--name", "a \"q\" b", file}},
            {"env\\sBAR=1 editor 100%% %f", {"env", "BAR=1", "editor", "100%", file}},
            {"flatpak run org.kde.kdenlive @@u %U @@",
             {"flatpak", "run", "org.kde.kdenlive", "@@u", "file:///tmp/a%20b/007%20x.kdenlive", "@@"}},
            {"editor \"unterminated %f", {}},
    };
    Desktop desktop;
    for (const auto &c : cases) {
        desktop.install(1, "e.desktop", entry(QString::fromUtf8(c.exec)));
        const auto read = DesktopEntry::read(QDir(desktop.applications(1)).filePath("e.desktop"));
        ASSERT_TRUE(read.has_value()) << c.exec;
        EXPECT_EQ(read->command(file), c.command) << c.exec;
    }
}

// Which editors count as installed decides the default; the user's choice
// wins while it names an editor.
TEST(EditorChoice, DefaultsToAnInstalledEditorAndKeepsTheUsersChoice)
{
    const struct
    {
        const char *what;
        std::function<void(Desktop &)> install;
        Editor expected;
    } cases[] = {
            {"nothing installed", [](Desktop &) {}, Editor::finalCut},
            {"Shotcut only",
             [](Desktop &d) {
                 d.install(2, "org.shotcut.Shotcut.desktop", entry(d.program("shotcut") + " %F"));
             },
             Editor::shotcut},
            {"both; Kdenlive in the later folder, as a Flatpak's name",
             [](Desktop &d) {
                 d.install(1, "shotcut.desktop", entry(d.program("shotcut") + " %F"));
                 d.install(2, "org.kde.kdenlive.desktop", entry(d.program("kdenlive") + " %U"));
             },
             Editor::kdenlive},
            {"Kdenlive's entry hidden, its TryExec missing; Shotcut's program not in PATH",
             [](Desktop &d) {
                 d.install(1, "org.kde.kdenlive.desktop",
                           entry(d.program("kdenlive") + " %U", "Hidden=true\n"));
                 d.install(2, "kdenlive.desktop",
                           entry(d.program("kdenlive") + " %U", "TryExec=/nonexistent/kdenlive\n"));
                 d.install(2, "shotcut.desktop", entry("tandrel-no-such-program %F"));
             },
             Editor::finalCut},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Desktop desktop;
        c.install(desktop);
        SettingsStore settings(desktop.dir.filePath("settings.ini"));
        const EditorChoice choice = desktop.choice();
        EXPECT_EQ(choice.defaultEditor(), c.expected);
        EXPECT_EQ(choice.chosen(settings), c.expected);
        settings.setValue("export.editor", "premiere");
        EXPECT_EQ(choice.chosen(settings), c.expected);
        for (const Editor editor : EditorChoice::editors()) {
            EditorChoice::choose(settings, editor);
            EXPECT_EQ(SettingsStore(desktop.dir.filePath("settings.ini")).stringValue("export.editor"),
                      EditorChoice::formatName(editor));
            EXPECT_EQ(choice.chosen(settings), editor);
        }
    }
}

// An installed editor's program gets the project; without one, the desktop's
// default handler; when nothing takes it, the reel folder is shown.
TEST(EditorExport, HandsTheProjectToTheEditorsProgramOrShowsTheFolder)
{
    Desktop desktop;
    const QString kdenlive = desktop.program("kdenlive");
    desktop.install(1, "org.kde.kdenlive.desktop", entry(kdenlive + " --x %F"));
    TestLibrary library;
    library.addTake(0, "a.mov", "a.m4a", 1.0, {{0.2, 0.5}});
    const QString reelFolder = library.store->reelFolder(library.reel());

    const struct
    {
        Editor editor;
        bool handlerAccepts;
        QStringList opened; // what went to the desktop's default handler
        bool programStarted;
        EditorExport::Outcome outcome;
    } cases[] = {
            {Editor::kdenlive, false, {}, true, {reelFolder + "/007-tom-jerry.kdenlive", true}},
            {Editor::shotcut,
             true,
             {reelFolder + "/007-tom-jerry.mlt"},
             false,
             {reelFolder + "/007-tom-jerry.mlt", true}},
            {Editor::shotcut,
             false,
             {reelFolder + "/007-tom-jerry.mlt", reelFolder},
             false,
             {reelFolder + "/007-tom-jerry.mlt", false}},
            {Editor::finalCut,
             true,
             {reelFolder + "/007-tom-jerry.fcpxmld"},
             false,
             {reelFolder + "/007-tom-jerry.fcpxmld", true}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(EditorChoice::name(c.editor).toStdString());
        class Opener : public RecordingOpener
        {
        public:
            bool accepts = true;
            bool open(const QString &path) override { return RecordingOpener::open(path) && accepts; }
        } opener;
        opener.accepts = c.handlerAccepts;
        QFile::remove(kdenlive + ".args");
        const auto outcome = EditorExport::exportAndOpen(library.reel(), *library.store, c.editor,
                                                         desktop.choice(), opener);
        ASSERT_TRUE(outcome.ok()) << "export failed: " << int(*outcome.error());
        EXPECT_EQ(opener.opened, c.opened);
        EXPECT_EQ(outcome.value(), c.outcome);
        if (c.programStarted) {
            EXPECT_TRUE(waitUntil([&] { return !desktop.argumentsOf(kdenlive).isEmpty(); }, 30000));
            EXPECT_EQ(desktop.argumentsOf(kdenlive), (QStringList{"--x", outcome.value().location}));
        }
    }
}
