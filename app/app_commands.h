#pragma once

#include <QObject>

namespace tandrel {

// The four payload-free menu commands that concern the reel on screen. The
// menu emits them; whichever view is on screen (main window, record workspace)
// connects to them. A command emitted while nobody listens has no effect.
class AppCommands : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void openMarkdownImport();
    void toggleRecording();
    void openTeleprompter();
    void exportToEditor();
    // Not a menu command: the settings window chose another editor for the
    // export, whose name the export button and menu item carry.
    void exportEditorChanged();
};

} // namespace tandrel
