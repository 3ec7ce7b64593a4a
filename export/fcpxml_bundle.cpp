#include "export/fcpxml_exporter.h"

#include "export/caption_files.h"
#include "export/export_files.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>
#include <QLocale>

namespace tandrel {

ExportResult<QString> FCPXMLExporter::buildDocument(const ReelProject &reel, const LibraryStore &library)
{
    FCPXMLDocumentContext context{reel.displayLabel(), library.takesFolder(reel), libraryLocation(library),
                                  QDateTime::currentDateTime()};
    // The script's language is the speech engine's to judge, which the
    // exports do not reach; the user's language stands for it.
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    if (language.size() == 2 || language.size() == 3)
        context.captionLanguage = language;
    return buildDocument(reel, context);
}

ExportResult<QString> FCPXMLExporter::exportReel(const ReelProject &reel, const LibraryStore &library)
{
    const QString reelFolder = library.reelFolder(reel);
    if (const auto failure = createExportFolder(reelFolder))
        return *failure;
    const QString bundle = QDir(reelFolder).filePath(reel.folderName() + QStringLiteral(".fcpxmld"));
    if (const auto failure = createExportFolder(bundle))
        return *failure;

    const ExportResult<QString> document = buildDocument(reel, library);
    if (!document)
        return document;
    const QString file = QDir(bundle).filePath(QStringLiteral("Info.fcpxml"));
    // Written atomically: a failure leaves an earlier document as it was,
    // and the folders are left as they are.
    if (const auto failure = writeExportFile(file, document.value().toUtf8()))
        return *failure;
    // The takes' captions beside the bundle, for editors that take SubRip.
    const ExportResult<ReelTimeline> timeline = ReelTimeline::build(reel, library.takesFolder(reel));
    if (timeline) {
        if (const auto failure
            = CaptionFiles::writeTakeFiles(timeline.value(), reelFolder, reel.folderName()))
            return *failure;
    }
    return bundle;
}

std::optional<QString> FCPXMLExporter::libraryLocation(const LibraryStore &library)
{
    return libraryLocation(library.rootPath());
}

ExportResult<QString> FCPXMLExporter::exportAndOpen(const ReelProject &reel, const LibraryStore &library,
                                                    DesktopOpener &opener)
{
    const ExportResult<QString> bundle = exportReel(reel, library);
    if (!bundle)
        return bundle;
    if (const auto finalCutLibrary = libraryLocation(library))
        openInFinalCut(*finalCutLibrary, opener);
    openInFinalCut(bundle.value(), opener);
    return bundle;
}

} // namespace tandrel
