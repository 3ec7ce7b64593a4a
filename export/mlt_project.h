#pragma once

#include "export/export_error.h"
#include "export/reel_timeline.h"
#include "library/reel_project.h"

#include <QString>

namespace tandrel {

class LibraryStore;

// A reel's cut as an MLT XML project that Shotcut or Kdenlive opens as its own:
// the timeline of the Final Cut export (ReelTimeline) with the video files on
// one track and the audio files on another, at 1080 × 1920 and 30 fps. The
// file lies in the reel's folder beside the ".fcpxmld" bundle and names its
// media relative to itself, so the reel folder can be moved. The takes'
// captions are Kdenlive's subtitle track and a track of text clips in
// Shotcut. Holds no state.
class MltProject
{
public:
    enum class Flavour {
        shotcut, // "<folder>.mlt"
        kdenlive, // "<folder>.kdenlive", Kdenlive 22.12's document with its bin
    };

    // ".mlt" or ".kdenlive".
    static QString fileSuffix(Flavour flavour);
    // The project file of `reel` in its reel folder.
    static QString projectPath(const ReelProject &reel, const LibraryStore &library, Flavour flavour);

    // Creates the reel folder and writes the project file atomically, replacing
    // an earlier one; the file's path. Nothing is removed on failure.
    // (Named exportReel because `export` is a keyword.)
    static ExportResult<QString> exportReel(const ReelProject &reel, const LibraryStore &library,
                                            Flavour flavour);
    // The document for a project file that will lie in `projectFolder`.
    static ExportResult<QString> buildDocument(const ReelProject &reel, const QString &takesFolder,
                                               const QString &projectFolder, Flavour flavour);
    // `subtitleFile`: Kdenlive's subtitle file the timeline's captions are
    // written to (relative to `projectFolder` or absolute); Shotcut shows
    // them on a track of text clips instead.
    static QString document(const ReelTimeline &timeline, const QString &title, const QString &projectFolder,
                            Flavour flavour, const QString &subtitleFile = {});
    // Kdenlive keeps a project's subtitles in the project file's name followed by ".srt".
    static QString subtitlePath(const QString &projectFile);
};

} // namespace tandrel
