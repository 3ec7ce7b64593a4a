#pragma once

#include "export/editor.h"
#include "export/export_error.h"
#include "library/reel_project.h"

#include <QString>

namespace tandrel {

class DesktopOpener;
class EditorChoice;
class LibraryStore;

// The export command of the windows and tandrelctl for any editor: writes the
// editor's file into the reel folder and hands it to the editor. Holds no
// state; call on the main thread.
class EditorExport
{
public:
    struct Outcome
    {
        QString location; // the ".fcpxmld" bundle or the project file
        bool opened = true; // false: no program took the file, the reel folder is shown instead
        bool operator==(const Outcome &) const = default;
    };

    // The ".fcpxmld" bundle for Final Cut Pro, the ".kdenlive" or ".mlt"
    // project for Kdenlive or Shotcut; its location.
    static ExportResult<QString> exportReel(const ReelProject &reel, const LibraryStore &library,
                                            Editor editor);
    // Writes the file, then hands it over: the bundle (after a Final Cut library)
    // to the desktop as before; a project to the editor's program or the
    // default handler, and the reel folder to the desktop when neither takes it.
    static ExportResult<Outcome> exportAndOpen(const ReelProject &reel, const LibraryStore &library,
                                               Editor editor, const EditorChoice &choice,
                                               DesktopOpener &opener);
};

} // namespace tandrel
