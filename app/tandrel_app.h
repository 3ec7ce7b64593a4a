#pragma once

#include "app/app_commands.h"
#include "app/app_context.h"
#include "app/menu_commands.h"
#include "platform/desktop_opener.h"
#include "platform/settings_store.h"

#include <QObject>
#include <memory>

namespace tandrel {

class CaptureController;
class LibraryStore;
class MainWindow;
class RecordingSession;
class SpeechFollower;
class SpeechModels;
class TeleprompterPresenter;
class TeleprompterState;

// The application: the four long-lived objects, created in this order and kept
// until the process ends (library, capture, teleprompter, speech follower), the
// recording session that keeps the policy between them, the menu commands and
// the main window.
class TandrelApp : public QObject
{
    Q_OBJECT
public:
    // Without arguments the settings live in the application's own user
    // settings and folders open with the desktop's default handler.
    explicit TandrelApp(std::unique_ptr<SettingsStore> settings = {},
                        std::unique_ptr<DesktopOpener> opener = {});
    ~TandrelApp() override;

    LibraryStore &library() { return *m_library; }
    CaptureController &capture() { return *m_capture; }
    TeleprompterState &teleprompter() { return *m_teleprompter; }
    SpeechFollower &speechFollower() { return *m_speechFollower; }
    SpeechModels &models() { return *m_models; }
    AppCommands &commands() { return m_commands; }
    TeleprompterPresenter &presenter() { return *m_presenter; }
    RecordingSession &session() { return *m_session; }
    AppContext context();
    MainWindow &mainWindow() { return *m_mainWindow; }
    const MenuCommands &menus() const { return m_menus; }

    // Opens the main window (which then starts the capture activation).
    void show();

private:
    void feedPresenter();
    void followNewModels();

    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<CaptureController> m_capture;
    std::unique_ptr<TeleprompterState> m_teleprompter;
    std::unique_ptr<SpeechFollower> m_speechFollower;
    std::unique_ptr<SpeechModels> m_models;
    std::unique_ptr<TeleprompterPresenter> m_presenter;
    std::unique_ptr<RecordingSession> m_session;
    AppCommands m_commands;
    std::unique_ptr<DesktopOpener> m_opener;
    std::unique_ptr<MainWindow> m_mainWindow;
    MenuCommands m_menus;
};

} // namespace tandrel
