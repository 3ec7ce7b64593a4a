#include "export/export_files.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace tandrel {

std::optional<ExportFailure> createExportFolder(const QString &path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!error && QFileInfo(path).isDir())
        return std::nullopt;
    if (error)
        return ExportFailure{ExportError::folderNotCreated, path, FileError{error.value()}};
    return ExportFailure{ExportError::notAFolder, path};
}

std::optional<ExportFailure> writeExportFile(const QString &path, const QByteArray &bytes)
{
    if (const auto written = replaceFileAtomically(path, bytes); !written)
        return ExportFailure{ExportError::fileNotWritten, path, {}, written.error()};
    return std::nullopt;
}

} // namespace tandrel
