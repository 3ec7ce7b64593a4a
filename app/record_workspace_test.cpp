#include "app/app_test_support.h"
#include "app/finish_reel_dialog.h"
#include "app/follow_status_text.h"
#include "app/preview_panel.h"
#include "app/record_workspace.h"
#include "app/recording_session.h"
#include "app/settings_window.h"
#include "app/take_list.h"
#include "app/teleprompter_options.h"
#include "capture/capture_controller.h"
#include "capture/crop_overlay.h"
#include "export/mlt_test_support.h"
#include "platform/display_list.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/xdg_open_handler.h"
#include "tests/support/take_files.h"
#include "tests/support/test_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

struct WorkspaceFixture : ::testing::Test
{
    void SetUp() override
    {
        qputenv("TANDREL_TEST_CAMERA", "1"); // a landscape camera for the crop frame
        app = std::make_unique<AppUnderTest>(home, makeOpener());
        app->show();
        reel = library().createReel(std::nullopt, "Intro", "Hallo Welt").value();
        ASSERT_EQ(workspace().reelID(), reel.id);
    }
    void TearDown() override { app.reset(); }
    // The opener the application gets; none: one that only records.
    virtual std::unique_ptr<DesktopOpener> makeOpener() { return {}; }

    LibraryStore &library() { return app->library(); }
    RecordWorkspace &workspace() { return *app->window().workspace(); }
    CaptureController &capture() { return app->app->capture(); }
    ReelProject stored() { return *library().reel(reel.id); }

    void waitForActivation()
    {
        ASSERT_TRUE(waitUntil([&] { return capture().readyForHotplug(); }, 15000));
    }

    Take addTake(std::optional<QString> video, std::optional<QString> audio, double duration,
                 QList<SpeechInterval> speech = {}, int secondsAgo = 0)
    {
        return addTakeWithFiles(library(), reel.id, makeTake(video, audio, duration, speech, secondsAgo),
                                256);
    }

    void selectAudio(const QString &text)
    {
        QComboBox *picker = workspace().audioPicker();
        const int index = picker->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    }
    void selectVideo(int index)
    {
        QComboBox *picker = workspace().videoPicker();
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    }

    TestHome home;
    std::unique_ptr<AppUnderTest> app;
    ReelProject reel;
};

QAbstractButton *waitForConfirmation(RecordWorkspace &workspace, const QString &button)
{
    if (!waitUntil([&] {
            return workspace.deleteConfirmation() && workspace.deleteConfirmation()->isVisible();
        }))
        return nullptr;
    return buttonWithText(workspace.deleteConfirmation(), button);
}

// The application with the desktop's own opener, whose default application
// each test chooses, and no editor installed.
struct DesktopOpenerFixture : WorkspaceFixture
{
    void SetUp() override
    {
        qputenv("XDG_DATA_DIRS", (home.path() + "/no-applications").toUtf8());
        WorkspaceFixture::SetUp();
    }
    void TearDown() override
    {
        WorkspaceFixture::TearDown();
        if (m_dataDirs.isNull())
            qunsetenv("XDG_DATA_DIRS");
        else
            qputenv("XDG_DATA_DIRS", m_dataDirs);
    }
    std::unique_ptr<DesktopOpener> makeOpener() override { return std::make_unique<SystemDesktopOpener>(); }

    // The alert of a failed hand-over, once it is up.
    QMessageBox *waitForOpenFailure()
    {
        QMessageBox *alert = nullptr;
        waitUntil(
                [&] {
                    return (alert = workspace().findChild<QMessageBox *>("openFailureAlert"))
                            && alert->isVisible();
                },
                30000);
        return alert;
    }

    const QByteArray m_dataDirs = qgetenv("XDG_DATA_DIRS");
};

} // namespace

TEST_F(WorkspaceFixture, NumberFieldStoresIntegersAndKeepsTheStoredNumberOtherwise)
{
    const struct
    {
        const char *typed;
        qint64 stored;
    } cases[] = {
            {"7", 7},    {"7a", 7}, {" \t-3 ", -3}, {"", -3}, {"+12", 12}, {"99999999999999999999", 12},
            {"1 2", 12},
    };
    for (const auto &c : cases) {
        QLineEdit *field = workspace().numberField();
        field->setText(QString::fromUtf8(c.typed));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(stored().prefix, c.stored) << c.typed;
        EXPECT_EQ(field->text(), QString::fromUtf8(c.typed)) << "the field keeps what was typed";
    }
    // Loading the reel again shows the stored number formatted.
    const ReelProject other = library().createReel(std::nullopt, "Anderes", QString()).value();
    library().setSelectedID(reel.id);
    EXPECT_EQ(workspace().numberField()->text(), "012");
    EXPECT_NE(other.id, reel.id);
}

TEST_F(WorkspaceFixture, TitleReachesTheLibraryOnlyOnReturn)
{
    workspace().titleField()->selectAll();
    QTest::keyClicks(workspace().titleField(), "Outro");
    EXPECT_EQ(stored().title, "Intro");
    QTest::keyClick(workspace().titleField(), Qt::Key_Return);
    EXPECT_EQ(stored().title, "Outro"); // the folder follows: the store's renaming test
}

TEST_F(WorkspaceFixture, ScriptEditsSaveOnceAfterAPauseOfMoreThan280Milliseconds)
{
    QSignalSpy saves(&library(), &LibraryStore::reelsChanged);
    QPlainTextEdit *editor = workspace().scriptEditor();
    editor->moveCursor(QTextCursor::End);
    // Typed in one go: each key restarts the pause, and nothing is saved yet.
    QTest::keyClicks(editor, " und Tschuess");
    EXPECT_EQ(saves.count(), 0) << "typing continuously does not save";
    EXPECT_TRUE(workspace().isPersistPending());
    EXPECT_EQ(stored().script, "Hallo Welt");

    ASSERT_TRUE(waitUntil([&] { return saves.count() > 0; }, 20000));
    EXPECT_FALSE(workspace().isPersistPending()) << "the one save took every key";
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(stored().script, "Hallo Welt und Tschuess");
    EXPECT_EQ(readFile(library().reelFolder(stored()) + "/reel.md"),
              "# 001 Intro\n\nHallo Welt und Tschuess");
}

TEST_F(WorkspaceFixture, PendingScriptEditsReachTheirReelWhenAnotherReelIsChosen)
{
    const ReelProject other = library().createReel(std::nullopt, "Zweites", "B").value();
    library().setSelectedID(reel.id);
    workspace().scriptEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(workspace().scriptEditor(), "!");
    library().setSelectedID(other.id);
    EXPECT_EQ(stored().script, "Hallo Welt!");
    EXPECT_EQ(workspace().scriptEditor()->toPlainText(), "B");
    QTest::qWait(400);
    EXPECT_EQ(library().reel(other.id)->script, "B");
}

TEST_F(WorkspaceFixture, RecordButtonNeedsAVideoSourceOrAMicrophone)
{
    waitForActivation();
    QPushButton *record = workspace().recordButton();
    selectVideo(0); // "Keine"
    ASSERT_TRUE(waitUntil([&] { return !capture().selectedVideoSourceID(); }));
    selectAudio("Keine");
    EXPECT_FALSE(capture().selectedMicrophoneID());
    EXPECT_FALSE(record->isEnabled());

    const int placeholder = workspace().videoPicker()->findData(screenRequestID);
    if (placeholder >= 0) {
        selectVideo(placeholder); // asks for the screens; the placeholder alone records nothing
        EXPECT_NE(capture().selectedVideoSourceID(), std::optional<QString>(screenRequestID));
    }
    EXPECT_FALSE(record->isEnabled());

    ASSERT_GE(workspace().audioPicker()->count(), 2) << "the test microphone is listed";
    selectAudio(workspace().audioPicker()->itemText(1));
    EXPECT_TRUE(capture().selectedMicrophoneID());
    EXPECT_TRUE(record->isEnabled());

    // A reel that is gone disables it.
    library().deleteReel(stored());
    EXPECT_FALSE(record->isEnabled());
}

TEST_F(WorkspaceFixture, TheTakeListShowsTheReelsTakesAndAHintWhileItHasNone)
{
    EXPECT_TRUE(workspace().noTakesLabel()->isVisible());
    const Take audioOnly = addTake(std::nullopt, "a-audio.m4a", 42.9, {}, 60);
    const Take both = addTake("b-video.mov", "b-audio.m4a", 5, {{1, 2}, {3, 4}});
    EXPECT_FALSE(workspace().noTakesLabel()->isVisible());
    TakeList *list = workspace().takeList();
    EXPECT_TRUE(list->isVisible());
    // What each row says is the model's; here the rows are laid out and visible.
    ASSERT_EQ(list->model()->rowCount(), 2);
    for (const Take &take : {audioOnly, both}) {
        const QModelIndex index = list->indexOf(take.id);
        ASSERT_TRUE(index.isValid());
        EXPECT_TRUE(list->viewport()->rect().intersects(list->visualRect(index)));
    }

    // The speech strip's tooltip says which colour is which.
    const QPoint strip = list->speechStripRect(list->indexOf(both.id)).center();
    QHelpEvent stripHelp(QEvent::ToolTip, strip, list->viewport()->mapToGlobal(strip));
    QApplication::sendEvent(list->viewport(), &stripHelp);
    EXPECT_TRUE(waitUntil([] {
        const QString tip = QToolTip::text();
        return tip.contains("farbig: gesprochen") && tip.contains("grau: Pause")
                && tip.contains(QApplication::palette().color(QPalette::Highlight).name());
    })) << qPrintable(QToolTip::text());

    // Another reel shows its own takes, and the hint while it has none.
    const ReelProject other = library().createReel(std::nullopt, "Leer", QString()).value();
    ASSERT_EQ(workspace().reelID(), other.id);
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_TRUE(workspace().noTakesLabel()->isVisible());
}

TEST_F(WorkspaceFixture, DeletingATakeAsksFirstAndCancellingKeepsItsFiles)
{
    const Take take = addTake("t-video.mov", "t-audio.m4a", 3);
    const QString folder = library().takesFolder(stored());
    TakeList *list = workspace().takeList();
    const QPoint trash = list->deleteButtonRect(list->indexOf(take.id)).center();
    QHelpEvent help(QEvent::ToolTip, trash, list->viewport()->mapToGlobal(trash));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_TRUE(waitUntil([] { return QToolTip::text() == QStringLiteral("Take löschen"); }));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, trash);
    QAbstractButton *cancel = waitForConfirmation(workspace(), "Abbrechen");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(workspace().deleteConfirmation()->text(), "Take löschen?");
    EXPECT_EQ(workspace().deleteConfirmation()->informativeText(),
              "Video und Audio dieses Takes werden in den Papierkorb verschoben.");
    EXPECT_EQ(workspace().takePendingDelete(), take);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !workspace().deleteConfirmation(); }));
    EXPECT_FALSE(workspace().takePendingDelete());
    EXPECT_EQ(stored().takes.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(folder + "/t-video.mov"));

    // The row's context menu asks to delete, as does the Delete key; the trash
    // button's way to the deletion is the walkthrough's.
    chooseFromNextMenu("Löschen", [](QMenu *menu) {
        for (QAction *action : menu->actions())
            EXPECT_EQ(redPixels(menu, action) > 0, action->text() == QStringLiteral("Löschen"))
                    << qPrintable(action->text());
    });
    const QPoint row = list->visualRect(list->indexOf(take.id)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, row, list->viewport()->mapToGlobal(row));
    QApplication::sendEvent(list->viewport(), &menuEvent);
    cancel = waitForConfirmation(workspace(), "Abbrechen");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(workspace().takePendingDelete(), take);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !workspace().deleteConfirmation(); }));

    list->setFocus();
    list->setCurrentIndex(list->indexOf(take.id));
    QTest::keyClick(list, Qt::Key_Delete);
    QAbstractButton *remove = waitForConfirmation(workspace(), "Löschen");
    ASSERT_NE(remove, nullptr);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return stored().takes.isEmpty(); }));
    EXPECT_FALSE(QFileInfo::exists(folder + "/t-video.mov"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/t-audio.m4a"));
    EXPECT_TRUE(workspace().noTakesLabel()->isVisible());
}

// The editor chosen in the settings names the export button and menu item;
// the export then writes that editor's project and hands it over.
TEST_F(WorkspaceFixture, TheEditorChosenInTheSettingsNamesTheExportAndGetsItsProject)
{
    // No editor installed: the project goes to the desktop's default handler.
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", (home.path() + "/no-applications").toUtf8());
    app->app->menus().settings->trigger();
    ASSERT_TRUE(waitUntil([] { return SettingsWindow::current() != nullptr; }));
    QComboBox *editors = SettingsWindow::current()->editorBox();
    EXPECT_EQ(editors->currentText(), "Final Cut Pro");
    editors->setCurrentIndex(2);
    emit editors->activated(2);
    EXPECT_EQ(editors->currentText(), "Shotcut");
    EXPECT_EQ(workspace().exportButton()->text(), "Für Shotcut exportieren");
    EXPECT_EQ(app->app->menus().exportToEditor->text(), "Für Shotcut exportieren");
    SettingsWindow::current()->close();

    addTake("x-video.mov", "x-audio.m4a", 2, {{0.5, 1.5}});
    MainWindow &window = app->window();
    QTest::mouseClick(workspace().exportButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    const QString project = library().reelFolder(stored()) + "/001-intro.mlt";
    EXPECT_EQ(window.alert()->informativeText(),
              QStringLiteral("Shotcut-Projekt liegt unter ") + project + " und wird geöffnet.");
    EXPECT_TRUE(QFileInfo(project).isFile());
    ASSERT_FALSE(app->openerLog->opened.isEmpty());
    EXPECT_EQ(app->openerLog->opened.constLast(), project);
    if (dataDirs.isNull())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", dataDirs);
}

TEST_F(WorkspaceFixture, DraggingTheCropFrameMovesTheRecordedCropAndSavesItAfterThePause)
{
    waitForActivation();
    ASSERT_TRUE(capture().selectedVideoSourceID()) << "the test camera is chosen by default";
    CropOverlay *overlay = workspace().previewPanel()->overlay();
    ASSERT_TRUE(waitUntil([&] { return overlay->isVisible() && overlay->isLandscape(); }, 10000));
    const CropFrameGeometry geometry = overlay->geometryNow();
    ASSERT_GT(geometry.slack, 0);

    // Drag the frame from the middle to the left edge and beyond.
    const QPoint start(int(geometry.frameLeft + geometry.frameWidth / 2), overlay->height() / 2);
    QTest::mousePress(overlay, Qt::LeftButton, {}, start);
    QTest::mouseMove(overlay, start - QPoint(int(geometry.slack / 4), 0));
    QTest::mouseMove(overlay, start - QPoint(int(geometry.slack), 0));
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, start - QPoint(int(geometry.slack), 0));
    EXPECT_DOUBLE_EQ(workspace().cropOffset(), 0.0);
    EXPECT_DOUBLE_EQ(capture().cropOffset(), 0.0);
    EXPECT_DOUBLE_EQ(stored().cropCenterX, 0.5) << "saved only after the pause";
    ASSERT_TRUE(waitUntil([&] { return stored().cropCenterX == 0.0; }, 2000));

    // Another reel brings its own crop position to the recorder.
    ReelProject other = library().createReel(std::nullopt, "Rechts", QString()).value();
    other.cropCenterX = 0.8;
    library().updateReel(other);
    library().setSelectedID(reel.id);
    EXPECT_DOUBLE_EQ(capture().cropOffset(), 0.0);
    library().setSelectedID(other.id);
    EXPECT_DOUBLE_EQ(capture().cropOffset(), 0.8);
    EXPECT_DOUBLE_EQ(overlay->offset(), 0.8);
}

TEST_F(WorkspaceFixture, TheTeleprompterShowsTheEditedReelAndTheWorkspaceHowFollowingFares)
{
    waitForActivation();
    TeleprompterState &teleprompter = app->app->teleprompter();
    SpeechFollower &follower = app->app->speechFollower();
    QLabel *status = workspace().teleprompterOptions()->followStatusLabel();
    teleprompter.setScrollMode(TeleprompterScrollMode::speech);

    QTest::mouseClick(workspace().teleprompterButton(), Qt::LeftButton);
    ASSERT_TRUE(teleprompter.isPresented());
    EXPECT_EQ(teleprompter.title(), "001 Intro");
    EXPECT_EQ(teleprompter.script(), "Hallo Welt");
    ASSERT_TRUE(waitUntil([&] { return follower.isListening(); }, 20000))
            << followFailureText(follower.failure()).toStdString();
    EXPECT_EQ(status->text(), "Hört zu…");
    EXPECT_FALSE(status->isHidden());

    // The script stays editable, blanks included, while the teleprompter is
    // open, and the edit reaches it.
    workspace().scriptEditor()->setFocus();
    workspace().scriptEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(workspace().scriptEditor(), " neu 0+-");
    EXPECT_TRUE(teleprompter.isScrolling()) << "the blank reached the editor, not the teleprompter";
    emit app->app->commands().openTeleprompter();
    EXPECT_EQ(teleprompter.script(), "Hallo Welt neu 0+-");

    app->app->session().dismissTeleprompter();
    EXPECT_FALSE(teleprompter.isPresented());
    EXPECT_TRUE(status->text().isEmpty());
    EXPECT_TRUE(status->isHidden());
}

TEST_F(WorkspaceFixture, ChoosingAScreenMovesTheOpenTeleprompterThereEvenWhenNamesRepeat)
{
    TeleprompterState &teleprompter = app->app->teleprompter();
    teleprompter.setScrollMode(TeleprompterScrollMode::steady);
    emit app->app->commands().openTeleprompter();
    ASSERT_TRUE(app->app->presenter().isOpen());
    EXPECT_EQ(app->app->presenter().placedScreen(), QGuiApplication::screens().constLast());

    QComboBox *picker = workspace().teleprompterOptions()->screenPicker();
    ASSERT_EQ(picker->itemText(0), "Automatisch (letzter)");
    ASSERT_EQ(picker->count(), QGuiApplication::screens().size() + 1);
    for (int index = 1; index < picker->count(); ++index) {
        picker->setCurrentIndex(index);
        emit picker->activated(index);
        const quint32 number = picker->itemData(index).value<quint32>();
        EXPECT_EQ(teleprompter.selectedDisplayID(), number) << index;
        // One screen, one name: the video picker calls it the same.
        QComboBox *video = workspace().videoPicker();
        const QString id = QStringLiteral("screen:%1").arg(number);
        ASSERT_TRUE(waitUntil([&] { return video->findData(id) >= 0; }, 20000)) << index;
        const int source = video->findData(id);
        EXPECT_EQ(video->itemText(source), QStringLiteral("Bildschirm: ") + picker->itemText(index));
        EXPECT_EQ(app->app->presenter().placedScreen(), DisplayList::instance()->screen(number)) << index;
    }
    picker->setCurrentIndex(0);
    emit picker->activated(0);
    EXPECT_FALSE(teleprompter.selectedScreenID());
    EXPECT_EQ(teleprompter.selectedDisplayID(), 0u);
    EXPECT_EQ(app->app->presenter().placedScreen(), QGuiApplication::screens().constLast());
    app->app->session().dismissTeleprompter();
}

TEST_F(WorkspaceFixture, MenuShortcutsWorkWhileTypingInTheWorkspacesFields)
{
    MainWindow &window = app->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (QWidget *field : std::initializer_list<QWidget *>{
                 workspace().titleField(), workspace().numberField(), workspace().scriptEditor()}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_E, Qt::ControlModifier);
        ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }))
                << field->objectName().toStdString();
        EXPECT_EQ(window.alert()->informativeText(), "Für dieses Reel gibt es noch keine Aufnahme.");
        QTest::mouseClick(buttonWithText(window.alert(), "OK"), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return !window.alert(); }));
    }
}

// An export no program takes, and a take no player plays: the alert names the
// file's full path and shows it in the file manager; nothing claims it opened.
TEST_F(DesktopOpenerFixture, AFileTheDesktopCannotOpenIsNamedInAnAlertThatShowsItInTheFileManager)
{
    const XdgOpenHandler handler(/*fileExit=*/4, /*folderExit=*/0);
    SettingsStore(home.settingsFile()).setValue(QStringLiteral("export.editor"), QStringLiteral("shotcut"));
    const Take take = addTake("p-video.mov", "p-audio.m4a", 2, {{0.5, 1.5}});
    const QString reelFolder = library().reelFolder(stored());
    const QString project = reelFolder + "/001-intro.mlt";

    QTest::mouseClick(workspace().exportButton(), Qt::LeftButton);
    QMessageBox *alert = waitForOpenFailure();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Shotcut-Projekt gespeichert, aber nicht geöffnet");
    EXPECT_EQ(alert->informativeText(),
              "Das Programm, das die Datei öffnen sollte, hat einen Fehler gemeldet.\n" + project);
    EXPECT_TRUE(QFileInfo(project).isFile());
    EXPECT_EQ(handler.opened(), QStringList{project});
    EXPECT_TRUE(app->window().notes().isEmpty());
    QTest::mouseClick(buttonWithText(alert, "Im Dateimanager zeigen"), Qt::LeftButton);
    ASSERT_TRUE(handler.waitForOpened(2));
    EXPECT_EQ(handler.opened().constLast(), reelFolder);

    // A double-click on the take's row hands its movie to the desktop's player.
    TakeList *list = workspace().takeList();
    const QPoint row = list->visualRect(list->indexOf(take.id)).topLeft() + QPoint(40, 8);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    alert = waitForOpenFailure();
    ASSERT_NE(alert, nullptr);
    const QString movie = library().takesFolder(stored()) + "/p-video.mov";
    EXPECT_EQ(handler.opened().constLast(), movie);
    EXPECT_TRUE(alert->informativeText().endsWith("\n" + movie)) << qPrintable(alert->informativeText());
}

// The FCPXML bundle, which no Linux program opens, is shown in the file
// manager; when that fails too the alert names the bundle.
TEST_F(DesktopOpenerFixture, TheBundleIsShownInTheFileManagerOrTheAlertSaysWhyNot)
{
    addTake("b-video.mov", "b-audio.m4a", 2, {{0.5, 1.5}});
    const QString reelFolder = library().reelFolder(stored());
    MainWindow &window = app->window();
    {
        const XdgOpenHandler handler(4, 0);
        QTest::mouseClick(workspace().exportButton(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }, 30000));
        const QStringList bundles = QDir(reelFolder).entryList({"*.fcpxmld"}, QDir::Dirs);
        ASSERT_EQ(bundles.size(), 1);
        EXPECT_EQ(window.alert()->informativeText(),
                  "Final-Cut-Projekt " + bundles.constFirst() + " wird im Dateimanager gezeigt.");
        EXPECT_EQ(handler.opened(), QStringList{reelFolder});
        QTest::mouseClick(buttonWithText(window.alert(), "OK"), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return window.notes().isEmpty(); }));
    }
    const XdgOpenHandler handler(4, 4);
    QTest::mouseClick(workspace().exportButton(), Qt::LeftButton);
    QMessageBox *alert = waitForOpenFailure();
    ASSERT_NE(alert, nullptr);
    const QString bundle = reelFolder + "/" + QDir(reelFolder).entryList({"*.fcpxmld"}, QDir::Dirs).value(0);
    EXPECT_EQ(alert->text(), "Final-Cut-Projekt gespeichert, aber nicht gezeigt");
    EXPECT_EQ(alert->informativeText(), "Der Dateimanager hat einen Fehler gemeldet.\n" + bundle);
    // The file manager is what failed: the alert does not offer it again.
    EXPECT_EQ(buttonWithText(alert, "Im Dateimanager zeigen"), nullptr);
    EXPECT_TRUE(window.notes().isEmpty());
}

TEST_F(WorkspaceFixture, FinishingAReelFromTheTakeMenuRendersItWhileTheWindowStaysResponsive)
{
    const QString folder = library().takesFolder(stored());
    QDir().mkpath(folder);
    ASSERT_TRUE(writeTestVideo(folder + "/f.mov", 0xff3060a0, 90));
    ASSERT_TRUE(writeTestAudio(folder + "/f.m4a", 90));
    const Take older = addTake("missing.mov", std::nullopt, 2, {}, 60);
    QFile::remove(folder + "/missing.mov");
    const Take take = makeTake("f.mov", "f.m4a", 3.0, {{0.2, 1.0}, {2.0, 2.8}});
    library().addTake(take, reel.id);
    TakeList *list = workspace().takeList();
    ASSERT_TRUE(waitUntil([&] { return list->indexOf(take.id).isValid(); }));

    chooseFromNextMenu("Reel fertigstellen…");
    const QPoint row = list->visualRect(list->indexOf(take.id)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, row, list->viewport()->mapToGlobal(row));
    QApplication::sendEvent(list->viewport(), &menuEvent);
    ASSERT_TRUE(
            waitUntil([&] { return workspace().finishDialog() && workspace().finishDialog()->isVisible(); }));
    FinishReelDialog *dialog = workspace().finishDialog();
    EXPECT_EQ(dialog->takeBox()->currentData().toUuid(), take.id);
    EXPECT_EQ(dialog->takeBox()->count(), 2);
    // Without word times there is nothing to burn in, and the dialog says so.
    EXPECT_FALSE(dialog->captionsBox()->isEnabled());
    EXPECT_EQ(dialog->captionsBox()->text(), "Untertitel einbrennen");

    // The main thread keeps turning while the render runs.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    QSignalSpy finished(dialog, &FinishReelDialog::renderFinished);
    QTest::mouseClick(dialog->renderButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isRendering());
    EXPECT_FALSE(dialog->renderButton()->isEnabled());
    EXPECT_EQ(dialog->cancelButton()->text(), "Abbrechen");
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }, 300000));
    EXPECT_TRUE(finished.first().first().toBool()) << dialog->statusLabel()->text().toStdString();
    EXPECT_GT(ticks, 5);
    const QString expected = library().reelFolder(stored()) + "/" + stored().displayLabel() + ".mp4";
    EXPECT_EQ(dialog->finishedFile(), expected);
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(dialog->progressBar()->value(), 100);
    QDir().mkpath(TANDREL_SCREENSHOT_DIR);
    EXPECT_TRUE(dialog->grab().save(TANDREL_SCREENSHOT_DIR "/finish-reel-dialog.png"));

    // The older take's file is gone: a German text, no file.
    dialog->takeBox()->setCurrentIndex(dialog->takeBox()->findData(older.id));
    QTest::mouseClick(dialog->renderButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 2; }));
    EXPECT_FALSE(finished.last().first().toBool());
    EXPECT_EQ(dialog->statusLabel()->text(),
              "Die Datei „missing.mov“ des Takes fehlt oder ist nicht lesbar.");
}
