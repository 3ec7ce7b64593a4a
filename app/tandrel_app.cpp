#include "app/tandrel_app.h"

#include "app/main_window.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "platform/user_defaults.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_state.h"

namespace tandrel {

TandrelApp::TandrelApp(std::unique_ptr<UserDefaults> defaults, std::unique_ptr<DesktopOpener> opener)
    : m_defaults(defaults ? std::move(defaults) : std::make_unique<UserDefaults>())
    , m_library(std::make_unique<LibraryStore>(*m_defaults))
    , m_capture(std::make_unique<CaptureController>(*m_defaults))
    , m_teleprompter(std::make_unique<TeleprompterState>(*m_defaults))
    , m_speechFollower(std::make_unique<SpeechFollower>())
    , m_opener(opener ? std::move(opener) : std::make_unique<SystemDesktopOpener>())
{
    m_mainWindow = std::make_unique<MainWindow>(context());
    m_menus = installMenuCommands(*m_mainWindow, context());
}

TandrelApp::~TandrelApp()
{
    // Windows that refer to the shared objects go before the objects do.
    delete SettingsWindow::current();
    TeleprompterPresenter::instance().dismissTeleprompter();
    m_speechFollower->stop(*m_capture);
    m_mainWindow.reset();
}

AppContext TandrelApp::context()
{
    return AppContext{*m_library, *m_capture, *m_teleprompter, *m_speechFollower, m_commands, *m_opener};
}

void TandrelApp::show()
{
    m_mainWindow->show();
}

} // namespace tandrel
