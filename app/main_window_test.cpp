#include "app/app_test_support.h"
#include "app/capture_text.h"
#include "app/empty_page.h"
#include "app/import_sheet.h"
#include "app/record_workspace.h"
#include "app/reel_list_model.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/take_files.h"
#include "tests/support/test_files.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QToolTip>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// What a row of the reel list shows: its label or its take-count caption.
QString rowText(QListView *list, int row, ReelListModel::Role role)
{
    return list->model()->index(row, 0).data(role).toString();
}

int rowCount(QListView *list)
{
    return list->model()->rowCount();
}

void openContextMenuOfRow(QListView *list, int row)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            list->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(list->viewport(), &event);
}

QPushButton *pushButton(QWidget *parent, const QString &text)
{
    for (QPushButton *button : parent->findChildren<QPushButton *>())
        if (button->text() == text && button->isVisibleTo(parent))
            return button;
    return nullptr;
}

ImportSheet *openSheet(MainWindow &window)
{
    window.findChild<QToolButton *>("importButton")->click();
    ImportSheet *sheet = nullptr;
    waitUntil([&] { return (sheet = window.importSheet()) && sheet->isVisible(); });
    return sheet;
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    QDir().mkpath(QStringLiteral(TANDREL_SCREENSHOT_DIR));
    const QPixmap shot = widget->grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QStringLiteral(TANDREL_SCREENSHOT_DIR) + QLatin1Char('/') + name));
}

void pressOk(MainWindow &window)
{
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    QAbstractButton *ok = buttonWithText(window.alert(), "OK");
    ASSERT_NE(ok, nullptr);
    const qsizetype waiting = window.notes().size();
    QTest::mouseClick(ok, Qt::LeftButton);
    // The next note, if any, comes in an alert of its own.
    ASSERT_TRUE(waitUntil([&] {
        return window.notes().size() < waiting
                && (window.notes().isEmpty() ? !window.alert()
                                             : window.alert() && window.alert()->isVisible());
    }));
}

struct MainWindowTest : ::testing::Test
{
    void SetUp() override { app.show(); }

    TestHome home;
    AppUnderTest app{home};
};

} // namespace

TEST_F(MainWindowTest, EmptyLibraryShowsTheEmptyPageAndNewReelCreatesReel001)
{
    MainWindow &window = app.window();

    EXPECT_EQ(QDir(app.library().rootPath()).canonicalPath(),
              QDir(home.path() + "/Videos/Tandrel").canonicalPath());
    auto *detail = window.findChild<QStackedWidget *>();
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(qobject_cast<EmptyPage *>(detail->currentWidget()));
    EXPECT_EQ(rowCount(window.reelList()), 0);

    QTest::mouseClick(pushButton(detail->currentWidget(), "Neues Reel"), Qt::LeftButton);

    ASSERT_EQ(app.library().reels().size(), 1);
    const ReelProject reel = app.library().reels().constFirst();
    EXPECT_EQ(reel.displayLabel(), "001 Neues Reel");
    EXPECT_EQ(detail->currentWidget(), window.workspace());
    EXPECT_EQ(window.workspace()->reelID(), reel.id);
    EXPECT_EQ(rowCount(window.reelList()), 1); // what a row says is the list model's test
}

TEST_F(MainWindowTest, ListsReelsInReelOrderWithTheirTakeCounts)
{
    LibraryStore &library = app.library();
    const ReelProject ten = library.createReel(10, "Zehn", QString()).value();
    const ReelProject two = library.createReel(2, "Zwei", QString()).value();
    library.addTake(makeTake(std::nullopt, "a.m4a"), ten.id);

    QListView *list = app.window().reelList();
    // The order and the singular caption are the list model's test; the view shows its rows.
    ASSERT_EQ(rowCount(list), 2);
    EXPECT_EQ(rowText(list, 1, ReelListModel::LabelRole), "010 Zehn");

    library.addTake(makeTake(std::nullopt, "a.m4a"), ten.id);
    EXPECT_EQ(rowText(list, 1, ReelListModel::CaptionRole), "2 Takes");

    // Clicking a row selects the reel and shows its workspace; so do the arrow keys.
    ASSERT_EQ(library.selectedID(), two.id);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    EXPECT_EQ(library.selectedID(), ten.id);
    EXPECT_EQ(app.window().workspace()->reelID(), ten.id);
    EXPECT_EQ(app.window().workspace()->titleField()->text(), "Zehn");
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(library.selectedID(), two.id);
    EXPECT_EQ(app.window().workspace()->titleField()->text(), "Zwei");
}

TEST_F(MainWindowTest, LongTitlesEndInAnEllipsisAndTheListNeverScrollsSideways)
{
    LibraryStore &library = app.library();
    const QString longTitle
            = "Wie man an einem einzigen Vormittag mit nur einer Kamera ein ganzes Reel aufnimmt";
    library.createReel(1, longTitle, QString()).value();
    library.createReel(2, "Kurz", QString()).value();
    QListView *list = app.window().reelList();
    ASSERT_EQ(rowCount(list), 2);
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    saveScreenshot(list, "reel-list-long-title.png");

    // Rows span the list; the long label is cut, and its tooltip shows it whole.
    const struct
    {
        int row;
        QString tip;
    } rows[] = {{0, "001 " + longTitle}, {1, QString()}};
    for (const auto &r : rows) {
        const QRect rect = list->visualRect(list->model()->index(r.row, 0));
        EXPECT_GE(rect.right(), list->viewport()->width() - 8) << r.row;
        EXPECT_LE(rect.right(), list->viewport()->width()) << r.row;
        QHelpEvent help(QEvent::ToolTip, rect.center(), list->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(list->viewport(), &help);
        EXPECT_TRUE(waitUntil([&] { return QToolTip::text() == r.tip; })) << r.row;
    }
}

TEST(MainWindow, AlertShowsEveryMessageInTurnAndLosesNone)
{
    TestHome home;
    // An unreadable library file at start-up.
    ASSERT_TRUE(writeFile(home.path() + "/Videos/Tandrel/library.json", "[{\"id\": 1}"));

    AppUnderTest app(home);
    app.show();
    MainWindow &window = app.window();
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->windowTitle(), "Hinweis");
    EXPECT_TRUE(waitUntil([&] { return showsWholeMessage(window.alert()); }));
    EXPECT_TRUE(window.alert()->informativeText().startsWith("Bibliothek konnte nicht gelesen werden: "));

    // Messages arriving together wait their turn; the same text is not queued twice.
    app.app->capture().setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenShareEnded});
    window.addNote("Notiz");
    window.addNote("Notiz");
    // A path part longer than any line keeps its beginning and end.
    const QString longNote = QStringLiteral("Liegt unter /tmp/") + QString(400, u'x') + "/Ende.txt";
    window.addNote(longNote);
    EXPECT_EQ(window.notes().size(), 4);
    EXPECT_TRUE(window.alert()->informativeText().startsWith("Bibliothek"));
    pressOk(window);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "Die Bildschirmfreigabe wurde beendet.");
    pressOk(window);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "Notiz");
    EXPECT_TRUE(app.library().lastError()) << "kept while notes wait";
    pressOk(window);
    EXPECT_TRUE(waitUntil([&] { return window.alert() && showsWholeMessage(window.alert()); }));
    EXPECT_TRUE(window.alert()->informativeText().startsWith("Liegt unter /tmp/xx"));
    EXPECT_TRUE(window.alert()->informativeText().endsWith("/Ende.txt"));
    EXPECT_TRUE(window.alert()->informativeText().contains("…"));
    pressOk(window);
    EXPECT_TRUE(window.notes().isEmpty());
    EXPECT_FALSE(app.library().lastError());
    EXPECT_FALSE(app.app->capture().lastError());

    // The same capture error again is shown again.
    app.app->capture().setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenShareEnded});
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "Die Bildschirmfreigabe wurde beendet.");
    pressOk(window);
    EXPECT_FALSE(app.app->capture().lastError());
}

TEST(MainWindow, AnUnreachableLibraryFolderIsNamedUntilItIsBack)
{
    TestHome home;
    const QString stick = home.path() + "/Stick/Tandrel";
    SettingsStore(home.settingsFile()).setValue(QStringLiteral("library.bookmark"), stick);

    AppUnderTest app(home);
    app.show();
    MainWindow &window = app.window();
    LibraryStore &library = app.library();
    // The default folder stands in, and the window says so with both paths.
    EXPECT_EQ(QDir(library.rootPath()), QDir(home.path() + "/Videos/Tandrel"));
    ASSERT_TRUE(waitUntil([&] { return window.libraryNotice()->isVisible(); }));
    const QString text = window.libraryNotice()->findChild<QLabel *>()->text();
    EXPECT_TRUE(text.contains(stick)) << qPrintable(text);
    EXPECT_TRUE(text.contains(library.rootPath())) << qPrintable(text);
    saveScreenshot(&window, "library-unreachable.png");

    // Still away: said, and nothing changes.
    QTest::mouseClick(window.findChild<QPushButton *>("retryLibraryFolder"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(),
              QStringLiteral("Der Bibliotheksordner %1 ist noch immer nicht erreichbar.").arg(stick));
    pressOk(window);
    EXPECT_TRUE(window.libraryNotice()->isVisible());

    // The drive is back with its library.
    QDir().mkpath(stick);
    {
        SettingsStore scratch(home.path() + "/scratch.ini");
        LibraryStore onStick(scratch, stick);
        ASSERT_TRUE(onStick.createReel(7, "Vom Stick", QString()).ok());
    }
    QTest::mouseClick(window.findChild<QPushButton *>("retryLibraryFolder"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.libraryNotice()->isVisible(); }));
    EXPECT_EQ(QDir(library.rootPath()), QDir(stick));
    ASSERT_EQ(library.reels().size(), 1);
    EXPECT_EQ(library.reels().constFirst().title, "Vom Stick");
}

// A take file a killed recording left is in its reel when the window opens,
// and the window says so once.
TEST(MainWindow, TakesFoundAfterAKilledRecordingAreNotedOnce)
{
    TestHome home;
    const QString root = home.path() + "/Videos/Tandrel";
    {
        SettingsStore scratch(home.path() + "/scratch.ini");
        LibraryStore library(scratch, root);
        const ReelProject reel = library.createReel(5, "Fünf", "Text").value();
        QDir().mkpath(library.takesFolder(reel));
        ASSERT_TRUE(encodeTestFile(toneTakePipeline, library.takesFolder(reel) + "/20260301-100000-audio.m4a"));
    }
    leaveMarkOfAKilledProcess(root);

    AppUnderTest app(home);
    app.show();
    MainWindow &window = app.window();
    // The alert follows the window onto the screen, later on a loaded machine.
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }, 60000));
    EXPECT_EQ(window.alert()->informativeText(), "1 Take wiederhergestellt.");
    EXPECT_EQ(app.library().reels().constFirst().takes.size(), 1);
    pressOk(window);
    EXPECT_TRUE(window.notes().isEmpty());
}

// A change whose save fails as the window closes is not lost unseen: the
// window says why and stays; closing it again quits.
TEST_F(MainWindowTest, ClosingAfterAFailedSaveShowsTheFailureAndClosesOnlyTheSecondTime)
{
    MainWindow &window = app.window();
    LibraryStore &library = app.library();
    ReelProject reel = library.createReel(1, "Eins", QString(4000, QLatin1Char('x'))).value();
    library.finishSaves();
    {
        const FileSizeLimit full(1000);
        // Only library.json holds the crop: its save is the one that fails.
        reel.cropCenterX = 0.25;
        library.updateReel(reel);
        window.close();
        EXPECT_TRUE(window.isVisible());
        ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
        EXPECT_TRUE(window.alert()->informativeText().startsWith("Bibliothek konnte nicht gespeichert werden: "))
                << qPrintable(window.alert()->informativeText());
        pressOk(window);
    }
    window.close();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, ImportSheetImportsBlocksAndNotesTheCountOnlyWhenItChanges)
{
    MainWindow &window = app.window();

    ImportSheet *sheet = openSheet(window);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->importButton()->isEnabled());
    typeText(sheet->editor(), " \n  \n");
    EXPECT_FALSE(sheet->importButton()->isEnabled());

    const QString markdown = QStringLiteral("# 005 Erstes\nHallo Welt\n---\n# Zweites\nNoch ein Text");
    sheet->editor()->setPlainText(markdown);
    EXPECT_TRUE(sheet->importButton()->isEnabled());
    QTest::mouseClick(sheet->importButton(), Qt::LeftButton);

    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "2 Reels importiert.");
    EXPECT_EQ(window.importCount(), 2);
    ASSERT_EQ(app.library().reels().size(), 2);
    EXPECT_EQ(selectedReel(app.library())->prefix, 6); // the last block's reel
    pressOk(window);

    // The same text again: the count stays 2, so no new note.
    sheet = openSheet(window);
    EXPECT_EQ(sheet->editor()->toPlainText(), markdown);
    QTest::mouseClick(sheet->importButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.importSheet(); }));
    QTest::qWait(100);
    EXPECT_FALSE(window.alert());
    EXPECT_EQ(app.library().reels().size(), 3); // the unnumbered block made another reel

    // One block: "1 Reel importiert."
    sheet = openSheet(window);
    sheet->editor()->setPlainText("# 005 Erstes neu\nText");
    QTest::mouseClick(sheet->importButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "1 Reel importiert.");
    pressOk(window);

    // Separator lines only: no block, and the sheet still closes with a note.
    sheet = openSheet(window);
    sheet->editor()->setPlainText("---\n---\n");
    QTest::mouseClick(sheet->importButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "0 Reels importiert.");
    EXPECT_FALSE(window.importSheet());
    EXPECT_EQ(app.library().reels().size(), 3);
}

TEST_F(MainWindowTest, ImportSheetCancelKeepsTheTextAndTheFilePanelLoadsOnlyUtf8)
{
    MainWindow &window = app.window();

    const QString good = home.path() + "/skripte.md", bad = home.path() + "/latin1.txt";
    ASSERT_TRUE(writeFile(good, "# 012 Über Bücher\nSchöne Grüße"));
    ASSERT_TRUE(writeFile(bad,
                          "Gr\xfc\xdf"
                          "e"));

    ImportSheet *sheet = openSheet(window);
    sheet->editor()->setPlainText("alter Text");
    answerNextFileDialog([&](QFileDialog *dialog) { chooseInDialog(dialog, good); });
    QTest::mouseClick(pushButton(sheet, "Datei öffnen…"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return sheet->editor()->toPlainText().startsWith("# 012"); }));
    EXPECT_EQ(sheet->editor()->toPlainText(), "# 012 Über Bücher\nSchöne Grüße");

    EXPECT_TRUE(sheet->fileError().isEmpty());
    answerNextFileDialog([&](QFileDialog *dialog) { chooseInDialog(dialog, bad); });
    QTest::mouseClick(pushButton(sheet, "Datei öffnen…"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !sheet->fileError().isEmpty(); }));
    EXPECT_EQ(sheet->fileError(), "Die Datei ist kein UTF-8-Text.");
    EXPECT_TRUE(sheet->findChild<QLabel *>("importFileError")->isVisible());
    EXPECT_EQ(sheet->editor()->toPlainText(), "# 012 Über Bücher\nSchöne Grüße");

    QTest::mouseClick(pushButton(sheet, "Abbrechen"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !window.importSheet(); }));
    EXPECT_TRUE(app.library().reels().isEmpty());
    EXPECT_FALSE(window.importCount());
    sheet = openSheet(window);
    EXPECT_EQ(sheet->editor()->toPlainText(), "# 012 Über Bücher\nSchöne Grüße");
}

TEST_F(MainWindowTest, DeletingAReelFromItsContextMenuMovesItToTheTrashAndSaysSo)
{
    LibraryStore &library = app.library();
    library.createReel(3, "Drei", QString());
    const ReelProject one = library.createReel(1, "Eins", QString()).value();
    const ReelProject two = library.createReel(2, "Zwei", QString()).value();
    ASSERT_EQ(library.selectedID(), two.id);
    const Take take = addTakeWithFiles(library, two.id, makeTake("t.mov", "t.m4a"), 100);
    const QString folderName = QFileInfo(library.reelFolder(two)).fileName();

    QListView *list = app.window().reelList();
    // Deleting takes the folder away at once: the entry looks destructive.
    chooseFromNextMenu("Löschen", [](QMenu *menu) {
        for (QAction *action : menu->actions())
            EXPECT_EQ(redPixels(menu, action) > 0, action->text() == QStringLiteral("Löschen"))
                    << qPrintable(action->text());
    });
    openContextMenuOfRow(list, 1); // 002 Zwei

    // Which reel is selected next is the store's test.
    ASSERT_TRUE(waitUntil([&] { return library.reels().size() == 2; }));
    EXPECT_EQ(app.window().workspace()->reelID(), one.id);
    EXPECT_EQ(rowText(list, list->currentIndex().row(), ReelListModel::LabelRole), "001 Eins");
    MainWindow &window = app.window();
    ASSERT_TRUE(waitUntil([&] { return window.alert() && window.alert()->isVisible(); }));
    EXPECT_EQ(window.alert()->informativeText(), "Reel 002 in den Papierkorb verschoben.");
    // The desktop's file manager finds the folder, takes included, in the trash.
    const QString trash = home.path() + "/.local/share/Trash";
    EXPECT_EQ(readFile(trash + "/files/" + folderName + "/takes/" + *take.videoFileName).size(), 100);
    EXPECT_TRUE(QFileInfo::exists(trash + "/info/" + folderName + ".trashinfo"));
    EXPECT_FALSE(QFileInfo::exists(library.reelFolder(two)));
    ASSERT_TRUE(waitUntil([&] { return showsWholeMessage(window.alert()); }));
    saveScreenshot(window.alert(), "reel-deleted-to-trash.png");
    pressOk(window);
}

TEST_F(MainWindowTest, QtsOwnTextsAndShortcutLabelsAreGerman)
{
    const MenuCommands &menus = app.app->menus();
    const struct
    {
        QAction *action;
        const char *label;
    } shortcuts[] = {
            {menus.newReel, "Strg+N"},
            {menus.importMarkdown, "Strg+I"},
            {menus.toggleRecording, "Strg+R"},
            {menus.exportToEditor, "Strg+E"},
            {menus.quit, "Strg+Q"},
    };
    for (const auto &s : shortcuts)
        EXPECT_EQ(s.action->shortcut().toString(QKeySequence::NativeText), QString::fromUtf8(s.label));

    app.library().createReel(1, "Eins", QString());
    std::unique_ptr<QMenu> fieldMenu(app.window().workspace()->titleField()->createStandardContextMenu());
    QStringList entries;
    for (QAction *action : fieldMenu->actions())
        if (!action->isSeparator())
            entries << action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    EXPECT_TRUE(entries.contains("Rückgängig")) << qPrintable(entries.join(u','));
    for (const char *english : {"Undo", "Redo", "Cut", "Copy", "Paste", "Delete", "Select All"})
        EXPECT_FALSE(entries.contains(QString::fromLatin1(english))) << english;

    // Qt's own file dialog, which appears where the desktop has no portal.
    QFileDialog dialog(&app.window());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog.labelText(QFileDialog::FileName), "Datei&name:");
    for (auto [label, english] : {std::pair{QFileDialog::LookIn, "Look in:"},
                                  {QFileDialog::Reject, "Cancel"},
                                  {QFileDialog::FileType, "Files of type:"}})
        EXPECT_NE(dialog.labelText(label), QString::fromLatin1(english));
}

TEST_F(MainWindowTest, ReelCommandsDoNothingWhileNoReelIsSelected)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.window()));
    QTest::keyClick(&app.window(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(&app.window(), Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(&app.window(), Qt::Key_R, Qt::ControlModifier);
    QTest::qWait(100);
    EXPECT_FALSE(app.window().alert());
    EXPECT_FALSE(app.app->capture().isRecording());
    EXPECT_FALSE(app.app->teleprompter().isPresented());

    // Ctrl+N creates a reel with the store's first number.
    QTest::keyClick(&app.window(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(app.library().reels().size(), 1);
    EXPECT_EQ(app.library().reels().constFirst().displayLabel(), "001 Neues Reel");
}

TEST_F(MainWindowTest, ClosingTheWindowDuringATakeFinishesTheTakeFirst)
{
    LibraryStore &library = app.library();
    CaptureController &capture = app.app->capture();
    const ReelProject reel = library.createReel(std::nullopt, "Schluss", "Text").value();
    ASSERT_TRUE(waitUntil([&] { return capture.readyForHotplug(); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return capture.isRunning(); }, 20000));
    emit app.app->commands().toggleRecording();
    ASSERT_TRUE(waitUntil([&] { return capture.recordedDuration() >= 2.0; }, 20000));

    app.window().close();
    EXPECT_TRUE(app.window().isVisible()) << "the window waits for the take";
    ASSERT_TRUE(waitUntil([&] { return !app.window().isVisible(); }, 20000));
    EXPECT_FALSE(capture.isRecording());
    ASSERT_EQ(library.reel(reel.id)->takes.size(), 1)
            << app.window().notes().join(" | ").toStdString() << " / "
            << (capture.lastError() ? captureNoticeText(*capture.lastError()).toStdString() : std::string());
    EXPECT_TRUE(library.reel(reel.id)->takes.constFirst().audioFileName);
    EXPECT_FALSE(app.app->teleprompter().isPresented());
}

// The interface language chosen in the settings applies at the next start:
// the application's texts, Qt's own shortcut labels and the settings window
// come up in English, and choosing German is stored for the start after.
TEST(MainWindow, StartsInEnglishWhenTheSettingsSaySo)
{
    TestHome home;
    SettingsStore(home.settingsFile()).write(settings::uiLanguage, QStringLiteral("en"));
    {
        AppUnderTest app(home);
        app.show();
        MainWindow &window = app.window();
        QStringList menus;
        for (QAction *action : window.menuBar()->actions())
            menus << action->text();
        EXPECT_EQ(menus, (QStringList{"File", "Recording"}));
        EXPECT_EQ(app.app->menus().newReel->text(), "New Reel");
        EXPECT_EQ(app.app->menus().newReel->shortcut().toString(QKeySequence::NativeText), "Ctrl+N");
        auto *detail = window.findChild<QStackedWidget *>();
        ASSERT_NE(detail, nullptr);
        ASSERT_NE(pushButton(detail->currentWidget(), "Import Markdown"), nullptr);

        QTest::mouseClick(pushButton(detail->currentWidget(), "New Reel"), Qt::LeftButton);
        ASSERT_EQ(app.library().reels().size(), 1);
        EXPECT_EQ(app.library().reels().constFirst().displayLabel(), "001 New Reel");
        RecordWorkspace *workspace = window.workspace();
        ASSERT_TRUE(waitUntil([&] { return detail->currentWidget() == workspace; }));
        EXPECT_EQ(workspace->findChild<QPushButton *>("recordButton")->text(), "Record");
        EXPECT_EQ(workspace->titleField()->placeholderText(), "Title");
        EXPECT_EQ(rowText(window.reelList(), 0, ReelListModel::CaptionRole), "No takes");
        QCoreApplication::processEvents(); // the workspace lays out before the picture is taken
        saveScreenshot(&window, "main-window-en.png");

        SettingsWindow *settings = SettingsWindow::open(app.app->context());
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->windowTitle(), "Settings");
        QStringList labels;
        for (QLabel *label : settings->findChildren<QLabel *>())
            labels << label->text();
        EXPECT_TRUE(labels.contains("Interface language")) << qPrintable(labels.join(u'|'));
        EXPECT_TRUE(labels.contains("Takes effect at the next start.")) << qPrintable(labels.join(u'|'));
        QComboBox *language = settings->languageBox();
        ASSERT_EQ(language->currentText(), "English");
        language->setCurrentIndex(language->findText("Deutsch"));
        emit language->activated(language->currentIndex());
        settings->close();
    }
    EXPECT_EQ(SettingsStore(home.settingsFile()).read(settings::uiLanguage), QStringLiteral("de"));
    // The next start speaks German again, Qt's texts included.
    AppUnderTest german(home);
    EXPECT_EQ(german.app->menus().newReel->text(), "Neues Reel");
    EXPECT_EQ(german.app->menus().newReel->shortcut().toString(QKeySequence::NativeText), "Strg+N");
}
