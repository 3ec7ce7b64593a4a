#include "export/fcpxml_exporter.h"

#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return QStringLiteral("Export konnte nicht geschrieben werden: ") + file.errorString();
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
    if (const auto failure = createFolder(bundle))
        return ExportResult<QString>::fileSystemFailure(*failure);

    const ExportResult<QString> document = buildDocument(reel, library);
    if (!document)
        return document;
    const QString file = QDir(bundle).filePath(QStringLiteral("Info.fcpxml"));
    if (const auto failure = writeAtomically(file, document.value().toUtf8()))
        return ExportResult<QString>::fileSystemFailure(*failure);
    return bundle;
}

std::optional<QString> FCPXMLExporter::libraryLocation(const LibraryStore &library)
{
    return libraryLocation(library.rootURL());
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
