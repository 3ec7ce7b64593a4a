#include "export/fcpxml_exporter.h"

#include "library/library_store.h"
#include "platform/atomic_file.h"
#include "platform/desktop_opener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace tandrel {

namespace {

// Creates `path` with its missing parents; the system's description of a failure.
std::optional<QString> createFolder(const QString &path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!error && QFileInfo(path).isDir())
        return std::nullopt;
    const QString reason
            = error ? QString::fromLocal8Bit(error.message()) : QStringLiteral("Kein Ordner: ") + path;
    return QStringLiteral("Export-Ordner konnte nicht angelegt werden: ") + reason;
}

std::optional<QString> writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (const Status written = writeFileAtomically(path, bytes); !written)
        return QStringLiteral("Export konnte nicht geschrieben werden: ") + written.error();
    return std::nullopt;
}

} // namespace

ExportResult<QString> FCPXMLExporter::buildDocument(const ReelProject &reel, const LibraryStore &library)
{
    return buildDocument(reel,
                         FCPXMLDocumentContext{reel.displayLabel(), library.takesFolder(reel),
                                               libraryLocation(library), QDateTime::currentDateTime()});
}

ExportResult<QString> FCPXMLExporter::exportReel(const ReelProject &reel, const LibraryStore &library)
{
    const QString reelFolder = library.reelFolder(reel);
    if (const auto failure = createFolder(reelFolder))
        return ExportResult<QString>::fileSystemFailure(*failure);
    const QString bundle = QDir(reelFolder).filePath(reel.folderName() + QStringLiteral(".fcpxmld"));
    const bool bundleExisted = QFileInfo::exists(bundle);
    if (const auto failure = createFolder(bundle))
        return ExportResult<QString>::fileSystemFailure(*failure);

    const ExportResult<QString> document = buildDocument(reel, library);
    if (!document)
        return document;
    const QString file = QDir(bundle).filePath(QStringLiteral("Info.fcpxml"));
    if (const auto failure = writeAtomically(file, document.value().toUtf8())) {
        // A bundle without its document is no Final Cut project; one that this
        // export created goes again. rmdir keeps a folder something else filled.
        if (!bundleExisted)
            QDir().rmdir(bundle);
        return ExportResult<QString>::fileSystemFailure(*failure);
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
