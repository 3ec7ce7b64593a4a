#include "export/export_files.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace tandrel {

std::optional<QString> createExportFolder(const QString &path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!error && QFileInfo(path).isDir())
        return std::nullopt;
    const QString reason
            = error ? germanFileError(FileError{error.value()}) : QStringLiteral("Kein Ordner: ") + path;
    return QStringLiteral("Export-Ordner konnte nicht angelegt werden: ") + reason;
}

std::optional<QString> writeExportFile(const QString &path, const QByteArray &bytes)
{
    if (const Status written = writeFileAtomically(path, bytes); !written)
        return QStringLiteral("Export konnte nicht geschrieben werden: ") + written.error();
    return std::nullopt;
}

} // namespace tandrel
