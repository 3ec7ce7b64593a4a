// A new user's first take, driven through the real windows: an empty library,
// a new reel, an import, sources, a take with the teleprompter, the export and
// deleting the take again. Screenshots land in the build folder.
#include "app/app_test_support.h"
#include "app/recording_session.h"
#include "app/desktop_integration.h"
#include "app/empty_page.h"
#include "app/import_sheet.h"
#include "app/preview_panel.h"
#include "app/record_workspace.h"
#include "app/settings_window.h"
#include "app/take_list.h"
#include "app/take_list_model.h"
#include "app/teleprompter_options.h"
#include "capture/capture_controller.h"
#include "capture/crop_overlay.h"
#include "capture/media_probe.h"
#include "capture/preview_widget.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_state.h"
#include "teleprompter/teleprompter_view.h"
#include "teleprompter/teleprompter_window.h"
#include "tests/support/take_files.h"

#include <QAbstractScrollArea>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <functional>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

QString screenshotPath(const QString &name)
{
    const QString dir = QStringLiteral(TANDREL_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    ASSERT_NE(widget, nullptr);
    const QPixmap shot = widget->grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(screenshotPath(name)));
}

// Speaks into the test microphone: espeak-ng played into the null sink.
QProcess *speak(const QString &text)
{
    auto *process = new QProcess;
    process->start("bash",
                   {"-c",
                    QStringLiteral("espeak-ng -v en-us -s 150 --stdout \"$1\" | paplay "
                                   "--device=\"${TANDREL_TEST_SINK:-tandrel_sink}\""),
                    "speak", text});
    return process;
}

// Problems of the laid-out widgets under `root`: a visible widget reaching
// out of its parent, overlapping a visible sibling, or narrower than its text
// needs. What a scroll area or the preview lays over itself is theirs.
QStringList layoutProblems(QWidget *root)
{
    QStringList problems;
    auto name = [](const QWidget *w) {
        return QStringLiteral("%1 \"%2\"")
                .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
    };
    std::function<void(QWidget *)> walk = [&](QWidget *parent) {
        QList<QWidget *> children;
        for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (child->isVisible() && !child->isWindow())
                children.append(child);
        for (int i = 0; i < children.size(); ++i) {
            QWidget *child = children[i];
            const QString label = qobject_cast<QLabel *>(child) ? qobject_cast<QLabel *>(child)->text()
                    : qobject_cast<QAbstractButton *>(child) ? qobject_cast<QAbstractButton *>(child)->text()
                                                             : QString();
            if (!parent->rect().contains(child->geometry()))
                problems << name(child) + QStringLiteral(" ") + label + " leaves its parent";
            const bool wraps = qobject_cast<QLabel *>(child) && qobject_cast<QLabel *>(child)->wordWrap();
            if ((qobject_cast<QLabel *>(child) || qobject_cast<QAbstractButton *>(child)) && !wraps
                && child->width() < child->minimumSizeHint().width())
                problems << name(child) + QStringLiteral(" ") + label + " is cut";
            for (int j = i + 1; j < children.size(); ++j)
                if (child->geometry().intersects(children[j]->geometry()))
                    problems << name(child) + QStringLiteral(" overlaps ") + name(children[j]);
            if (!qobject_cast<QAbstractScrollArea *>(child) && !qobject_cast<PreviewPanel *>(child)
                && !qobject_cast<QComboBox *>(child))
                walk(child);
        }
    };
    walk(root);
    return problems;
}

// A reel with a script and one take that has speech, so every styled part of
// the workspace is on screen.
void addReelWithTake(LibraryStore &library)
{
    const ReelProject reel
            = library.createReel(12, "Farben und Größen",
                                 "Hallo und willkommen. Heute zeige ich, wie die Kamera der Stimme folgt.")
                      .value();
    addTakeWithFiles(library, reel.id,
                     makeTake(std::nullopt, "a-audio.m4a", 12, {{0.5, 3.2}, {4.0, 7.5}, {8.1, 11.0}}));
}

// Opens the settings with Strg+, as the user would. A shortcut reaches only
// the active window, which an alert just closed hands back late on a busy
// machine.
bool openSettings(QWidget &window)
{
    window.activateWindow();
    if (!waitUntil([&] { return window.isActiveWindow(); }, 30000))
        return false;
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    return waitUntil([] { return SettingsWindow::current() && SettingsWindow::current()->isVisible(); },
                     30000);
}

} // namespace

TEST(Walkthrough, TheWindowFitsFromItsMinimumSizeUpInLightAndDarkColours)
{
    const QPalette light = QApplication::palette();
    const QString lightStyleName = QApplication::style()->name();
    const struct
    {
        QSize size;
        bool dark;
    } cases[] = {
            {{1100, 720}, false}, {{1280, 820}, false}, {{1920, 1080}, false},
            {{1100, 720}, true},  {{1280, 820}, true},
    };
    for (const auto &c : cases) {
        // A dark desktop is seen at start-up, before the windows are made.
        if (c.dark) {
            qputenv("GTK_THEME", "Adwaita:dark");
            followDesktopColorScheme(*qApp);
            ASSERT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
        }
        const QString suffix = QStringLiteral("%1x%2%3")
                                       .arg(c.size.width())
                                       .arg(c.size.height())
                                       .arg(c.dark ? "-dark" : QString());
        {
            TestHome home;
            AppUnderTest app(home);
            app.show();
            MainWindow &window = app.window();
            // Below the content's own minimum the window stays at that minimum.
            window.resize(c.size);
            const QSize expected = c.size.expandedTo(window.minimumSize());
            ASSERT_TRUE(waitUntil([&] { return window.size() == expected; })) << qPrintable(suffix);
            if (c.dark || c.size.width() == 1100)
                saveScreenshot(&window, QStringLiteral("empty-%1.png").arg(suffix));
            addReelWithTake(app.library());
            RecordWorkspace *workspace = window.workspace();
            ASSERT_TRUE(
                    waitUntil([&] { return workspace->isVisible() && workspace->takeList()->isVisible(); }));
            QCoreApplication::processEvents();
            const QStringList problems = layoutProblems(workspace);
            EXPECT_TRUE(problems.isEmpty()) << qPrintable(suffix + u'\n' + problems.join(u'\n'));
            const QSize content = window.minimumSizeHint();
            EXPECT_TRUE(content.width() <= window.minimumWidth()
                        && content.height() <= window.minimumHeight())
                    << "the window's minimum covers its content's " << content.width() << " × "
                    << content.height() << " at " << qPrintable(suffix);
            saveScreenshot(&window, QStringLiteral("workspace-%1.png").arg(suffix));
            if (c.dark && c.size.width() == 1280) {
                ASSERT_TRUE(openSettings(window));
                saveScreenshot(SettingsWindow::current(), "settings-dark.png");
                SettingsWindow::current()->close();
            }
        }
        if (c.dark) {
            qunsetenv("GTK_THEME");
            QApplication::setStyle(lightStyleName);
            QApplication::setPalette(light);
        }
    }
}

TEST(Walkthrough, ANewUserRecordsExportsAndDeletesATake)
{
    qputenv("TANDREL_TEST_CAMERA", "1");
    TestHome home;
    AppUnderTest app(home);
    app.show();
    MainWindow &window = app.window();
    LibraryStore &library = app.library();
    CaptureController &capture = app.app->capture();
    TeleprompterState &teleprompter = app.app->teleprompter();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // Empty library → empty page → "Neues Reel".
    auto *detail = window.findChild<QStackedWidget *>();
    auto *empty = qobject_cast<EmptyPage *>(detail->currentWidget());
    ASSERT_NE(empty, nullptr);
    saveScreenshot(&window, "main-window-empty.png");
    for (QPushButton *button : empty->findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("Neues Reel"))
            QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(library.reels().size(), 1);
    RecordWorkspace *workspace = window.workspace();
    ASSERT_EQ(detail->currentWidget(), workspace);

    // Number, title and script.
    workspace->numberField()->selectAll();
    QTest::keyClicks(workspace->numberField(), "7");
    QTest::keyClick(workspace->numberField(), Qt::Key_Return);
    workspace->titleField()->selectAll();
    QTest::keyClicks(workspace->titleField(), "Mein erstes Reel");
    QTest::keyClick(workspace->titleField(), Qt::Key_Return);
    QTest::keyClicks(workspace->scriptEditor(),
                     "Hello and welcome. Today I show you how a camera follows a voice.");
    const QUuid reelID = *library.selectedID();
    ASSERT_TRUE(waitUntil([&] { return !workspace->isPersistPending(); }));
    EXPECT_EQ(library.reel(reelID)->displayLabel(), "007 Mein erstes Reel");
    EXPECT_TRUE(library.reel(reelID)->script.startsWith("Hello and welcome."));

    // A two-block Markdown import through the sheet (Ctrl+I).
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
    ImportSheet *sheet = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (sheet = window.importSheet()) && sheet->isVisible(); }));
    typeText(sheet->editor(), "# 020 Zweites\nErster Text\n---\n# 021 Drittes\nZweiter Text");
    saveScreenshot(sheet, "import-sheet.png");
    QTest::mouseClick(sheet->importButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "2 Reels importiert.");
    saveScreenshot(window.alert(), "alert.png");
    QTest::mouseClick(buttonWithText(window.alert(), "OK"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.alert(); }));
    EXPECT_EQ(library.reels().size(), 3);
    QListView *reels = window.reelList();
    reels->setCurrentIndex(reels->model()->index(0, 0)); // 007 comes first
    ASSERT_EQ(library.selectedID(), reelID);

    // Steady scrolling, the test camera and the test microphone.
    workspace->teleprompterOptions()->modeGroup()->button(1)->click();
    EXPECT_EQ(teleprompter.scrollMode(), TeleprompterScrollMode::steady);
    ASSERT_TRUE(waitUntil([&] { return capture.readyForHotplug(); }, 20000));
    QComboBox *video = workspace->videoPicker();
    int cameraIndex = -1;
    for (int i = 1; i < video->count(); ++i)
        if (!video->itemData(i).toString().startsWith("screen:"))
            cameraIndex = i;
    ASSERT_GT(cameraIndex, 0) << "the test camera is listed";
    video->setCurrentIndex(cameraIndex);
    emit video->activated(cameraIndex);
    QComboBox *audio = workspace->audioPicker();
    const int micIndex = audio->findText("Testmikrofon", Qt::MatchContains);
    ASSERT_GT(micIndex, 0) << "the test microphone is listed";
    audio->setCurrentIndex(micIndex);
    emit audio->activated(micIndex);
    ASSERT_TRUE(waitUntil([&] { return !workspace->previewPanel()->preview()->frame().isNull(); }, 20000));
    EXPECT_TRUE(workspace->previewPanel()->overlay()->isVisible());
    EXPECT_TRUE(workspace->recordButton()->isEnabled());
    saveScreenshot(&window, "main-window.png");

    // Ctrl+R starts the take; the teleprompter opens on the last screen.
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return capture.isRecording(); }, 15000));
    EXPECT_EQ(app.app->menus().toggleRecording->text(), "Aufnahme stoppen");
    EXPECT_EQ(workspace->recordButton()->text(), "Stop");
    ASSERT_TRUE(teleprompter.isPresented());
    QWidget *prompter = app.app->presenter().window();
    ASSERT_NE(prompter, nullptr);
    EXPECT_EQ(prompter->screen(), QGuiApplication::screens().constLast());
    EXPECT_EQ(teleprompter.title(), "007 Mein erstes Reel");
    QProcess *voice = speak("Hello and welcome. Today I show you how a camera follows a voice.");
    ASSERT_TRUE(waitUntil([&] { return capture.recordedDuration() >= 3.0; }, 20000));
    ASSERT_TRUE(waitUntil([&] { return workspace->previewPanel()->badge()->isVisible(); }));
    EXPECT_TRUE(workspace->previewPanel()->badge()->text().contains("00:0"));
    saveScreenshot(&window, "workspace-recording.png");
    saveScreenshot(prompter, "teleprompter.png");
    // The teleprompter shows the running take: its red dot, in its corner.
    const QPointer<TeleprompterView> prompterView = app.app->presenter().view();
    ASSERT_TRUE(waitUntil([&] { return prompterView->recordingTime().value_or(0) >= 3.0; }));
    const QImage prompterShot = prompterView->grab().toImage();
    int red = 0;
    const QRect mark = prompterView->recordingMarkRect().toAlignedRect();
    for (int y = mark.top(); y <= mark.bottom(); ++y)
        for (int x = mark.left(); x <= mark.right(); ++x) {
            const QColor c = prompterShot.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 110 && c.blue() < 110;
        }
    EXPECT_GT(red, 20);
    voice->waitForFinished(20000);
    delete voice;

    // Ctrl+R again stops it (the teleprompter window has the focus now).
    QTest::keyClick(prompter, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return !capture.isRecording(); }, 20000));
    ASSERT_TRUE(prompterView);
    EXPECT_TRUE(prompterView->recordingMarkRect().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return library.reel(reelID)->takes.size() == 1; }, 20000));
    EXPECT_EQ(app.app->menus().toggleRecording->text(), "Aufnahme starten");
    const Take take = library.reel(reelID)->takes.constFirst();
    ASSERT_TRUE(take.videoFileName && take.audioFileName);
    EXPECT_GE(take.duration, 3.0);
    TakeList *takeList = workspace->takeList();
    const QModelIndex row = takeList->indexOf(take.id);
    ASSERT_TRUE(row.isValid());
    EXPECT_TRUE(row.data(TakeListModel::IsLatestRole).toBool());
    const QString takes = library.takesFolder(*library.reel(reelID));
    const QString videoFile = takes + QLatin1Char('/') + *take.videoFileName;
    const QString audioFile = takes + QLatin1Char('/') + *take.audioFileName;
    const ProbedStream picture = probeStream(videoFile, "v"), sound = probeStream(audioFile, "a");
    EXPECT_EQ(std::tuple(picture.codec, picture.width, picture.height),
              std::tuple(QString("h264"), 1080, 1920));
    EXPECT_EQ(std::tuple(sound.codec, sound.sampleRate, sound.channels),
              std::tuple(QString("aac"), 48000, 1));
    EXPECT_FALSE(take.speechIntervals.isEmpty()) << "the spoken sentence was detected";
    saveScreenshot(&window, "workspace-take.png");

    // Ctrl+E exports; the bundle exists and is shown in the file manager: its folder is opened.
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    const QString bundle = library.reelFolder(*library.reel(reelID)) + "/007-mein-erstes-reel.fcpxmld";
    EXPECT_EQ(window.alert()->informativeText(),
              "Final-Cut-Projekt 007-mein-erstes-reel.fcpxmld wird im Dateimanager gezeigt.");
    EXPECT_TRUE(QFileInfo(bundle + "/Info.fcpxml").isFile());
    ASSERT_FALSE(app.openerLog->opened.isEmpty());
    EXPECT_EQ(QDir(app.openerLog->opened.constLast()).canonicalPath(),
              QDir(library.reelFolder(*library.reel(reelID))).canonicalPath());
    EXPECT_TRUE(waitUntil([&] { return showsWholeMessage(window.alert()); }, 30000));
    saveScreenshot(window.alert(), "alert-export.png");
    QTest::mouseClick(buttonWithText(window.alert(), "OK"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.alert(); }));

    // The reel's context menu exports too; its note names the bundle's whole path.
    chooseFromNextMenu("Für Final Cut Pro exportieren",
                       [](QMenu *menu) { saveScreenshot(menu, "reel-menu.png"); });
    const QPoint reelRow = reels->visualRect(reels->model()->index(0, 0)).center();
    QContextMenuEvent reelMenu(QContextMenuEvent::Mouse, reelRow, reels->viewport()->mapToGlobal(reelRow));
    QApplication::sendEvent(reels->viewport(), &reelMenu);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(),
              QStringLiteral("Final-Cut-Projekt liegt unter ") + bundle
                      + " und wird im Dateimanager gezeigt.");
    EXPECT_TRUE(waitUntil([&] { return showsWholeMessage(window.alert()); }, 30000));
    saveScreenshot(window.alert(), "alert-path.png");
    QTest::mouseClick(buttonWithText(window.alert(), "OK"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.alert(); }));

    // The settings window shows the library folder.
    ASSERT_TRUE(openSettings(window));
    saveScreenshot(SettingsWindow::current(), "settings.png");
    SettingsWindow::current()->close();

    // The take's context menu shows the takes folder.
    const qsizetype openedBefore = app.openerLog->opened.size();
    const QPoint rowCentre = takeList->visualRect(takeList->indexOf(take.id)).center();
    chooseFromNextMenu("Im Dateimanager zeigen", [](QMenu *menu) { saveScreenshot(menu, "take-menu.png"); });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, rowCentre,
                                takeList->viewport()->mapToGlobal(rowCentre));
    QApplication::sendEvent(takeList->viewport(), &menuEvent);
    ASSERT_TRUE(waitUntil([&] { return app.openerLog->opened.size() > openedBefore; }));
    EXPECT_EQ(QDir(app.openerLog->opened.constLast()).canonicalPath(), QDir(takes).canonicalPath());

    // Delete the take through the confirmation.
    QTest::mouseClick(takeList->viewport(), Qt::LeftButton, {},
                      takeList->deleteButtonRect(takeList->indexOf(take.id)).center());
    ASSERT_TRUE(waitUntil(
            [&] { return workspace->deleteConfirmation() && workspace->deleteConfirmation()->isVisible(); }));
    saveScreenshot(workspace->deleteConfirmation(), "delete-confirmation.png");
    QTest::mouseClick(buttonWithText(workspace->deleteConfirmation(), "Löschen"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return library.reel(reelID)->takes.isEmpty(); }));
    EXPECT_FALSE(QFileInfo::exists(videoFile));
    EXPECT_FALSE(QFileInfo::exists(audioFile));

    app.app->session().dismissTeleprompter();
}
