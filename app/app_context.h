#pragma once

namespace tandrel {

class AppCommands;
class CaptureController;
class DesktopOpener;
class LibraryStore;
class SpeechFollower;
class TeleprompterState;

// The long-lived objects every window works on. The application owns them for
// the life of the process; windows only refer to them.
struct AppContext
{
    LibraryStore &library;
    CaptureController &capture;
    TeleprompterState &teleprompter;
    SpeechFollower &speechFollower;
    AppCommands &commands;
    // Hands folders and exported bundles to the desktop.
    DesktopOpener &opener;
};

} // namespace tandrel
