#include "app/tandrel_app.h"

#include "app/app_teleprompter_presenter.h"
#include "app/desktop_integration.h"
#include "app/main_window.h"
#include "app/recording_session.h"
#include "app/settings_window.h"
#include "app/ui_language.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "platform/settings_store.h"
#include "speech/script_language.h"
#include "speech/speech_follower.h"
#include "speech/speech_models.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_state.h"

#include <QApplication>

namespace tandrel {

TandrelApp::TandrelApp(std::unique_ptr<SettingsStore> settings, std::unique_ptr<DesktopOpener> opener)
    : m_settings(settings ? std::move(settings) : std::make_unique<SettingsStore>()),
      m_library(std::make_unique<LibraryStore>(*m_settings)),
      m_capture(std::make_unique<CaptureController>(*m_settings)),
      m_teleprompter(std::make_unique<TeleprompterState>(*m_settings)),
      m_speechFollower(std::make_unique<SpeechFollower>()),
      m_models(std::make_unique<SpeechModels>()),
      m_presenter(std::make_unique<AppTeleprompterPresenter>(*m_teleprompter)),
      m_session(std::make_unique<RecordingSession>(*m_library, *m_capture, *m_teleprompter, *m_speechFollower)),
      m_opener(opener ? std::move(opener) : std::make_unique<SystemDesktopOpener>())
{
    // The window never waits for library.json to be written.
    m_library->setSaving(LibraryStore::Saving::inBackground);
    // Before any window exists: texts and shortcut labels are taken when the
    // widgets are made, so a changed language takes effect at the next start.
    if (auto *application = QCoreApplication::instance())
        installUiLanguage(*application,
                          uiLanguageFromSetting(m_settings->read(settings::uiLanguage).value_or(QString())));
    feedPresenter();
    followNewModels();
    m_mainWindow = std::make_unique<MainWindow>(context());
    m_menus = installMenuCommands(*m_mainWindow, context());
}

TandrelApp::~TandrelApp()
{
    // Windows that refer to the shared objects go before the objects do.
    delete SettingsWindow::current();
    m_session->quit();
    m_mainWindow.reset();
}

AppContext TandrelApp::context()
{
    return AppContext{*m_library,   *m_capture, *m_teleprompter, *m_speechFollower, *m_presenter,
                      *m_session,   m_commands, *m_opener,       *m_settings,       *m_models};
}

// The script language the user chose, and models that come or go while the
// teleprompter follows: a download of the followed language makes the
// follower wait for it ("Lade lokales Sprachmodell…") and then listen with
// it; a failed or cancelled one, or a removed model, lets it go on with
// what is installed.
void TandrelApp::followNewModels()
{
    m_speechFollower->setFixedScriptLanguage(m_settings->read(settings::scriptLanguage).value_or(QString()));
    SpeechFollower *follower = m_speechFollower.get();
    RecordingSession *session = m_session.get();
    auto restartFor = [follower, session](const QString &locale) {
        if (languageOf(locale) == follower->scriptLanguage())
            session->restartFollowing();
    };
    connect(m_models.get(), &SpeechModels::downloadStarted, this, restartFor);
    connect(m_models.get(), &SpeechModels::downloadFinished, this,
            [restartFor](const QString &locale, ModelDownloadFailure, const ModelProblem &) {
                restartFor(locale);
            });
}

// The session presents and dismisses, the presenter shows the window and asks
// for it to go. Behind the text: the capture's pictures and flips, while a
// source is selected that gives pictures; the take's running time.
void TandrelApp::feedPresenter()
{
    CaptureController *capture = m_capture.get();
    TeleprompterPresenter *presenter = m_presenter.get();
    connect(presenter, &TeleprompterPresenter::dismissRequested, m_session.get(),
            &RecordingSession::dismissTeleprompter);
    connect(m_session.get(), &RecordingSession::teleprompterRaised, presenter, &TeleprompterPresenter::raiseWindow);
    connect(capture, &CaptureController::previewFrame, presenter, &TeleprompterPresenter::setFrame);
    auto flips = [capture, presenter] {
        presenter->setFlips(capture->flipHorizontal(), capture->flipVertical());
    };
    auto source = [capture, presenter] {
        const std::optional<QString> video = capture->selectedVideoSourceID();
        presenter->setVideoAvailable(givesPictures(video));
    };
    connect(capture, &CaptureController::flipHorizontalChanged, presenter, flips);
    connect(capture, &CaptureController::flipVerticalChanged, presenter, flips);
    connect(capture, &CaptureController::selectedVideoSourceIDChanged, presenter, source);
    // The teleprompter's recording mark runs with the take.
    auto recording = [capture, presenter] {
        presenter->setRecordingTime(capture->isRecording() ? std::optional(capture->recordedDuration())
                                                           : std::nullopt);
    };
    connect(capture, &CaptureController::isRecordingChanged, presenter, recording);
    connect(capture, &CaptureController::recordedDurationChanged, presenter, recording);
    flips();
    source();
    recording();
}

void TandrelApp::show()
{
    m_mainWindow->show();
}

} // namespace tandrel
