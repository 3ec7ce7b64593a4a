#pragma once

#include "app/app_context.h"

class QAction;

namespace tandrel {

class MainWindow;

// The menu bar of the main window: "Datei" (new reel, import, settings, quit)
// and "Aufnahme" (record, teleprompter, export). The recording commands work
// from every window of the application, the teleprompter's included.
struct MenuCommands
{
    QAction *newReel = nullptr;
    QAction *importMarkdown = nullptr;
    QAction *settings = nullptr;
    QAction *quit = nullptr;
    QAction *toggleRecording = nullptr;
    QAction *teleprompter = nullptr;
    QAction *exportToEditor = nullptr;
};

MenuCommands installMenuCommands(MainWindow &window, AppContext context);

} // namespace tandrel
