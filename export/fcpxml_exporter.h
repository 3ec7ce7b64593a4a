#pragma once

#include "export/export_error.h"
#include "library/reel_project.h"
#include "library/speech_slicing.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace tandrel {

class DesktopOpener;
class LibraryStore;

// What a document needs besides the reel, resolved by the caller: tests pass
// their own clock and folders, the library store its own.
struct FCPXMLDocumentContext
{
    QString projectName; // the reel's display label
    QString takesFolder; // the folder the take file names are resolved in
    std::optional<QString> finalCutLibrary; // an existing Final Cut library folder
    QDateTime modificationDate;
    QString captionLanguage = QStringLiteral("de"); // the captions' role names it: "SRT?captionFormat=SRT.de"
};

// Turns a reel and its takes into a Final Cut project: an FCPXML 1.14 document
// in an ".fcpxmld" bundle inside the reel's folder. Every take is laid on a 30 fps
// timeline and cut at its speech intervals into "Sprache" and "Pause" clips.
// Holds no state; call on the main thread.
class FCPXMLExporter
{
public:
    static constexpr int frameRate = timelineFrameRate;

    // Creates the reel folder and the bundle folder, then writes "Info.fcpxml"
    // atomically; the bundle folder's path. When writing fails, a bundle folder
    // this call created is removed again; nothing else is removed on failure.
    // (Named exportReel because `export` is a keyword.)
    static ExportResult<QString> exportReel(const ReelProject &reel, const LibraryStore &library);
    static ExportResult<QString> buildDocument(const ReelProject &reel, const LibraryStore &library);
    static ExportResult<QString> buildDocument(const ReelProject &reel, const FCPXMLDocumentContext &context);

    // Whether `path` is a regular file larger than 64 bytes.
    static bool isUsableMedia(const QString &path);
    // & < > " ' as entities; characters XML 1.0 cannot carry are dropped.
    static QString xmlEscaped(const QString &text);

    // The first existing Final Cut library: in the library folder, then two
    // places in the user's movies folder.
    static std::optional<QString> libraryLocation(const LibraryStore &library);
    static std::optional<QString> libraryLocation(const QString &libraryRoot);

    // Hands `location` to the program the desktop assigns to it; reports nothing.
    static void openInFinalCut(const QString &location, DesktopOpener &opener);

    // The export command of the windows and tandrelctl: exports, then opens the
    // Final Cut library (when one exists) and the bundle, in this order.
    static ExportResult<QString> exportAndOpen(const ReelProject &reel, const LibraryStore &library,
                                               DesktopOpener &opener);
};

} // namespace tandrel
