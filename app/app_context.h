#pragma once

namespace tandrel {

class AppCommands;
class CaptureController;
class DesktopOpener;
class LibraryStore;
class RecordingSession;
class SpeechFollower;
class SpeechModels;
class TeleprompterPresenter;
class TeleprompterState;
class SettingsStore;

// The long-lived objects every window works on. The application owns them for
// the life of the process; windows only refer to them.
struct AppContext
{
    LibraryStore &library;
    CaptureController &capture;
    TeleprompterState &teleprompter;
    SpeechFollower &speechFollower;
    // Opens, places and closes the one teleprompter window.
    TeleprompterPresenter &presenter;
    // When the teleprompter opens and closes, following, and takes.
    RecordingSession &session;
    AppCommands &commands;
    // Hands folders and exported bundles to the desktop.
    DesktopOpener &opener;
    // The user's settings; the export reads its editor choice there.
    SettingsStore &settings;
    // The recogniser's installed models, their catalogue and downloads.
    SpeechModels &models;
};

} // namespace tandrel
