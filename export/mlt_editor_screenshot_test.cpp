// Kdenlive and Shotcut, as Debian packages them, open an exported project on
// the test desktop the way the export opens it (their desktop entry's
// command), with the first take's caption over its picture. A screenshot of each lands in the build folder
// for a person to look at; a test skips itself when its editor is not installed.
#include "export/editor_choice.h"
#include "export/mlt_project.h"
#include "export/mlt_test_support.h"
#include "tests/support/wait_until.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <signal.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

constexpr quint32 magenta = 0xffff00ff, cyan = 0xff00ffff;

// Pixels of the first take's magenta: neither editor draws its own controls in it.
qsizetype magentaPixels(const QImage &image)
{
    qsizetype count = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); y += 2) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 2) {
            if (qRed(line[x]) > 220 && qGreen(line[x]) < 40 && qBlue(line[x]) > 220)
                ++count;
        }
    }
    return count;
}

// Near-white pixels with the take's magenta on both sides within a short
// reach on their row: caption text over the take's picture in the monitor.
qsizetype captionPixels(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const auto magentaAt = [&](int x, int y) {
        const QRgb p = rgb.pixel(x, y);
        return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) > 200;
    };
    qsizetype count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            if (qRed(p) < 220 || qGreen(p) < 220 || qBlue(p) < 220)
                continue;
            bool left = false, right = false;
            for (int d = 1; d <= 60 && !(left && right); ++d) {
                left = left || (x - d >= 0 && magentaAt(x - d, y));
                right = right || (x + d < rgb.width() && magentaAt(x + d, y));
            }
            count += left && right;
        }
    }
    return count;
}

// Whether a window's title names both the project and the editor.
bool hasWindow(const QString &project, const QString &editor)
{
    const QString out = runTool("xwininfo", {"-root", "-tree"}, ToolErrors::withOutput, 20000).text();
    for (const QString &line : out.split(u'\n')) {
        if (line.contains(project) && line.contains(editor, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool isMagenta(const QImage &rgb, int x, int y)
{
    const QRgb p = rgb.pixel(x, y);
    return qRed(p) > 220 && qGreen(p) < 40 && qBlue(p) > 220;
}

// The middle of the lowest magenta area of the screen: a clip of the first
// take on the timeline, which both editors draw below their monitor with
// the take's picture.
std::optional<QPoint> lowestMagenta(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = rgb.height() - 1; y >= 0; y -= 2) {
        for (int x = 0; x < rgb.width(); x += 2) {
            if (!isMagenta(rgb, x, y))
                continue;
            // Its middle, away from the edges, which trim or resize the clip.
            int right = x;
            while (right + 1 < rgb.width() && isMagenta(rgb, right + 1, y))
                ++right;
            const int middle = (x + right) / 2;
            int top = y;
            while (top > 0 && isMagenta(rgb, middle, top - 1))
                --top;
            return QPoint(middle, (top + y) / 2);
        }
    }
    return std::nullopt;
}

// Names of the visible windows of process `pid` other than the one whose
// name holds `project`: dialogs and message boxes, as neither editor shows
// another window of its own on a plain start.
QStringList otherWindows(int pid, const QString &project)
{
    QStringList names;
    const QString ids = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid), ""},
                                ToolErrors::apart, 20000)
                                .text();
    for (const QString &id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        const QString name
                = runTool("xdotool", {"getwindowname", id}, ToolErrors::apart, 20000).text().trimmed();
        const QString geometry
                = runTool("xdotool", {"getwindowgeometry", id}, ToolErrors::apart, 20000).text();
        // Qt's own helper windows are 1 × 1 or nameless; menus and tooltips
        // are not open here.
        if (name.isEmpty() || name.contains(project) || geometry.contains(QLatin1String("Geometry: 1x1")))
            continue;
        names.append(name + " (" + geometry.simplified() + ")");
    }
    return names;
}

// Lines of an editor's log that tell of a clip it does not take as it is.
QStringList complaints(const QString &log)
{
    // Kdenlive's note on a clip it reads as time remapped, and both editors'
    // words for a file they would rather convert.
    static const QStringList markers{"reusing time remap", "variable frame rate", "transcode"};
    QStringList found;
    for (const QString &line : log.split(u'\n')) {
        for (const QString &marker : markers)
            if (line.contains(marker, Qt::CaseInsensitive)) {
                found.append(line);
                break;
            }
    }
    return found;
}

class EditorScreenshot : public ::testing::TestWithParam<Editor>
{
};

} // namespace

TEST_P(EditorScreenshot, TheEditorOpensTheProjectWithTheTakesOnItsTimeline)
{
    const Editor editor = GetParam();
    const std::optional<DesktopEntry> entry = EditorChoice().desktopEntry(editor);
    if (!entry)
        GTEST_SKIP() << EditorChoice::name(editor).toStdString() << " is not installed";
    if (QStandardPaths::findExecutable("dbus-run-session").isEmpty())
        GTEST_SKIP() << "dbus-run-session is missing; the editors need a session bus";
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "runs on the test desktop (scripts/test-env)";

    TestLibrary library;
    const QDir takes(library.takesFolder());
    ASSERT_TRUE(writeTestVideo(takes.filePath("a-video.mov"), magenta, 100));
    ASSERT_TRUE(writeTestAudio(takes.filePath("a-audio.m4a"), 100));
    ASSERT_TRUE(writeTestVideo(takes.filePath("b-video.mov"), cyan, 100));
    ASSERT_TRUE(writeTestAudio(takes.filePath("b-audio.m4a"), 100));
    library.addTake(0, "a-video.mov", "a-audio.m4a", 3.0, {{0.5, 2.0}});
    library.addTake(1, "b-video.mov", "b-audio.m4a", 3.0, {{0.3, 1.0}, {1.5, 2.5}});
    // The first take's caption shows from the first frame, where the editor opens.
    const QUuid firstTake = library.reel().takes.at(0).id;
    ASSERT_TRUE(library.store
                        ->setTakeWords(firstTake, library.reelID,
                                       {{0.0, 0.5, 0, "Tom"}, {0.5, 0.8, 1, "&"}, {0.8, 1.6, 2, "Jerry."}})
                        .ok());
    const auto flavour
            = editor == Editor::kdenlive ? MltProject::Flavour::kdenlive : MltProject::Flavour::shotcut;
    const ExportResult<QString> project = MltProject::exportReel(library.reel(), *library.store, flavour);
    ASSERT_TRUE(project.ok()) << "export failed: " << int(*project.error());

    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(magentaPixels(screen->grabWindow(0).toImage()), 0) << "another editor is still on the screen";

    // The editor under its own session bus; its process id comes back
    // through a file, so that it alone is ended afterwards. Its output goes
    // to a log beside the project. Its temporary folder is the test's own:
    // Kdenlive marks a start there and, finding the mark of one that was
    // killed, asks whether to reset its settings instead of opening.
    const QStringList command = entry->command(project.value());
    ASSERT_FALSE(command.isEmpty());
    const QString pidFile = library.dir.filePath("editor.pid");
    QProcess session;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", library.dir.path());
    session.setProcessEnvironment(environment);
    const QString log = library.dir.filePath("editor.log");
    session.setProcessChannelMode(QProcess::MergedChannels);
    session.setStandardOutputFile(log);
    session.start("dbus-run-session",
                  QStringList{"--", "sh", "-c", "echo $$ > \"$0\"; exec \"$@\"", pidFile} + command);
    ASSERT_TRUE(session.waitForStarted(30000));

    // Loaded: a window carries the project's name and the first take's
    // picture shows in the editor's monitor.
    QImage shot;
    QElapsedTimer sinceGrab;
    // Kdenlive's title names the project without its suffix, Shotcut's with it.
    const QString projectName = QFileInfo(project.value()).completeBaseName();
    const bool loaded = waitUntil(
            [&] {
                if (sinceGrab.isValid() && sinceGrab.elapsed() < 1000)
                    return false;
                sinceGrab.start();
                shot = screen->grabWindow(0).toImage();
                return magentaPixels(shot) > 1000 && hasWindow(projectName, EditorChoice::name(editor));
            },
            240000);

    // The editor opens at the first frame, where the first take's caption
    // shows once the monitor has drawn it.
    bool captioned = false;
    if (loaded) {
        sinceGrab.invalidate();
        captioned = waitUntil(
                [&] {
                    if (sinceGrab.isValid() && sinceGrab.elapsed() < 1000)
                        return false;
                    sinceGrab.start();
                    shot = screen->grabWindow(0).toImage();
                    return captionPixels(shot) > 30;
                },
                60000);
    }

    const QString folder = QStringLiteral(TANDREL_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + EditorChoice::formatName(editor) + "-project.png";
    EXPECT_TRUE(shot.save(path));
    std::cout << "[ screenshot ] " << path.toStdString() << '\n';
    EXPECT_TRUE(!loaded || captioned)
            << "no caption over the first take's picture; see " << path.toStdString();
    QFile pid(pidFile);
    const int editorPid
            = pid.open(QIODevice::ReadOnly) ? QString::fromUtf8(pid.readAll()).trimmed().toInt() : 0;

    // A clip of the first take selected, as a user clicks it: the editor
    // shows its properties, and with them any doubt about its file. The
    // screen is read once it has changed and then stood still.
    QString selectedPath;
    const std::optional<QPoint> clip = loaded ? lowestMagenta(shot) : std::nullopt;
    EXPECT_TRUE(!loaded || clip) << "no clip of the first take on the screen";
    if (clip) {
        EXPECT_EQ(runTool("xdotool",
                          {"mousemove", QString::number(clip->x()), QString::number(clip->y()), "click", "1"})
                          .exitCode,
                  0);
        QImage previous = shot;
        bool changed = false;
        sinceGrab.invalidate();
        EXPECT_TRUE(waitUntil(
                [&] {
                    if (sinceGrab.isValid() && sinceGrab.elapsed() < 1500)
                        return false;
                    sinceGrab.start();
                    const QImage now = screen->grabWindow(0).toImage();
                    const bool still = now == previous;
                    changed = changed || !still;
                    previous = now;
                    return changed && still;
                },
                120000))
                << "the screen did not settle after the click";
        selectedPath = folder + QLatin1Char('/') + EditorChoice::formatName(editor) + "-clip-selected.png";
        EXPECT_TRUE(previous.save(selectedPath));
        std::cout << "[ screenshot ] " << selectedPath.toStdString() << '\n';
        const QStringList dialogs = otherWindows(editorPid, projectName);
        EXPECT_TRUE(dialogs.isEmpty())
                << EditorChoice::name(editor).toStdString() << " shows " << dialogs.join("; ").toStdString();
    }
    QFile logFile(log);
    const QString logText
            = logFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(logFile.readAll()) : QString();
    std::cout << "[ log ] " << EditorChoice::name(editor).toStdString() << ", first lines:\n"
              << logText.section(u'\n', 0, 11).toStdString() << '\n';
    const QStringList doubts = complaints(logText);
    EXPECT_TRUE(doubts.isEmpty()) << "the log says:\n" << doubts.join('\n').toStdString();

    // Kdenlive ignores SIGTERM; once the editor is gone, dbus-run-session
    // ends its bus and returns.
    const auto stop = [&](int signal) {
        return editorPid > 0 && ::kill(editorPid, signal) == 0 && session.waitForFinished(30000);
    };
    if (!stop(SIGTERM) && !stop(SIGKILL)) {
        session.kill();
        session.waitForFinished();
    }
    EXPECT_TRUE(loaded) << EditorChoice::name(editor).toStdString()
                        << " did not show the project; see the screenshot " << path.toStdString() << " and "
                        << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Editors, EditorScreenshot, ::testing::Values(Editor::kdenlive, Editor::shotcut),
                         [](const auto &info) { return EditorChoice::name(info.param).toStdString(); });
