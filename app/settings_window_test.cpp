#include "app/app_test_support.h"
#include "app/import_sheet.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "tests/support/test_files.h"

#include <QPushButton>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

struct SettingsWindowTest : ::testing::Test
{
    void SetUp() override { app.show(); }
    void openSettingsByShortcut() { app.app->menus().settings->trigger(); }

    TestHome home;
    AppUnderTest app{home};
};

} // namespace

TEST_F(SettingsWindowTest, OpensOnceAndShowsTheStoresErrorUntilOkOrClosing)
{
    openSettingsByShortcut();
    openSettingsByShortcut();
    ASSERT_TRUE(
            waitUntil([] { return SettingsWindow::current() && SettingsWindow::current()->isVisible(); }));
    int windows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        windows += qobject_cast<SettingsWindow *>(widget) && widget->isVisible();
    EXPECT_EQ(windows, 1);
    SettingsWindow *settings = SettingsWindow::current();
    EXPECT_EQ(settings->windowTitle(), "Einstellungen");
    EXPECT_GE(settings->width(), 560);
    EXPECT_EQ(settings->pathField()->text(), app.library().rootPath());
    EXPECT_EQ(settings->footnote()->text(), "Aufnahmen im bisherigen Ordner bleiben dort liegen.");

    // A folder that cannot be made: the store's error in the window's alert,
    // until OK or until the window closes.
    ASSERT_TRUE(writeFile(home.path() + "/datei", {}));
    const QString impossible = home.path() + "/datei/unterordner";
    settings->applyChosenFolder(impossible);
    ASSERT_TRUE(waitUntil([&] { return settings->alert() && settings->alert()->isVisible(); }));
    EXPECT_EQ(settings->alert()->windowTitle(), "Hinweis");
    EXPECT_FALSE(settings->alert()->informativeText().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return showsWholeMessage(settings->alert()); }));
    QTest::mouseClick(buttonWithText(settings->alert(), "OK"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !settings->errorText(); }));
    settings->applyChosenFolder(impossible);
    ASSERT_TRUE(waitUntil([&] { return settings->alert() && settings->alert()->isVisible(); }));
    settings->close();
    ASSERT_TRUE(waitUntil([] { return !SettingsWindow::current(); }));
    openSettingsByShortcut();
    ASSERT_TRUE(waitUntil([] { return SettingsWindow::current() != nullptr; }));
    EXPECT_FALSE(SettingsWindow::current()->errorText());
    EXPECT_FALSE(SettingsWindow::current()->alert());
    SettingsWindow::current()->close();
}

TEST_F(SettingsWindowTest, MenuCommandsWorkWhileItHasTheFocus)
{
    openSettingsByShortcut();
    SettingsWindow *settings = nullptr;
    ASSERT_TRUE(
            waitUntil([&] { return (settings = SettingsWindow::current()) && settings->isActiveWindow(); }));

    QTest::keyClick(settings, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return app.library().reels().size() == 1; }));
    QTest::keyClick(settings, Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(
            waitUntil([&] { return app.window().importSheet() && app.window().importSheet()->isVisible(); }));
}

TEST_F(SettingsWindowTest, ChoosingAFolderSwitchesTheLibraryAndShowsItsPath)
{
    app.library().createReel(std::nullopt, "Alt", QString());
    const QString chosen = home.path() + "/Andere Bibliothek";
    ASSERT_TRUE(QDir().mkpath(chosen));

    openSettingsByShortcut();
    SettingsWindow *settings = SettingsWindow::current();
    ASSERT_NE(settings, nullptr);
    answerNextFileDialog([&](QFileDialog *dialog) {
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Auswählen");
        EXPECT_EQ(dialog->windowTitle(), "Ordner für die Reel-Bibliothek");
        chooseInDialog(dialog, chosen);
    });
    QTest::mouseClick(settings->chooseButton(), Qt::LeftButton);

    ASSERT_TRUE(waitUntil([&] { return QDir(app.library().rootPath()) == QDir(chosen); }));
    EXPECT_EQ(QDir(settings->pathField()->text()), QDir(chosen));
    EXPECT_TRUE(app.library().reels().isEmpty());
    EXPECT_FALSE(settings->errorText());

    // Cancelling the panel changes nothing.
    answerNextFileDialog([](QFileDialog *dialog) { dialog->reject(); });
    QTest::mouseClick(settings->chooseButton(), Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_EQ(QDir(app.library().rootPath()), QDir(chosen));
    settings->close();
}

TEST_F(SettingsWindowTest, RefusesToChangeTheFolderWhileATakeIsRecorded)
{
    LibraryStore &library = app.library();
    CaptureController &capture = app.app->capture();
    library.createReel(std::nullopt, "Probe", "Eins zwei drei");
    ASSERT_TRUE(waitUntil([&] { return capture.readyForHotplug(); }, 20000));
    ASSERT_TRUE(capture.selectedMicrophoneID()) << "the test microphone is the default";
    const QString before = library.rootPath();
    ASSERT_TRUE(waitUntil([&] { return capture.isRunning(); }, 20000));

    emit app.app->commands().toggleRecording();
    ASSERT_TRUE(waitUntil([&] { return capture.isRecording(); }, 15000));
    openSettingsByShortcut();
    SettingsWindow *settings = SettingsWindow::current();
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(settings->chooseButton()->isEnabled());
    EXPECT_EQ(settings->footnote()->text(), "Während einer Aufnahme bleibt der Ordner unverändert.");

    // The action itself refuses as well, before any panel opens.
    settings->chooseLibraryFolder();
    ASSERT_TRUE(waitUntil([&] { return settings->alert() && settings->alert()->isVisible(); }));
    EXPECT_EQ(settings->alert()->informativeText(),
              "Während der Aufnahme kann der Bibliothekspfad nicht geändert werden.");
    settings->applyChosenFolder(home.path() + "/anderswo");
    EXPECT_EQ(library.rootPath(), before);

    ASSERT_TRUE(waitUntil([&] { return capture.recordedDuration() >= 2.0; }, 20000));
    emit app.app->commands().toggleRecording();
    ASSERT_TRUE(waitUntil([&] { return !capture.isRecording(); }, 20000));
    EXPECT_TRUE(settings->chooseButton()->isEnabled());
    EXPECT_EQ(settings->footnote()->text(), "Aufnahmen im bisherigen Ordner bleiben dort liegen.");
    ASSERT_TRUE(waitUntil([&] { return library.reels().constFirst().takes.size() == 1; }, 20000))
            << app.window().notes().join(" | ").toStdString();
    settings->applyChosenFolder(home.path() + "/anderswo");
    EXPECT_TRUE(waitUntil([&] { return QDir(library.rootPath()) == QDir(home.path() + "/anderswo"); }));
    settings->close();
}
