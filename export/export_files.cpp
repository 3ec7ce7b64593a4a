#include "export/export_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
            = error ? QString::fromLocal8Bit(error.message()) : QStringLiteral("Kein Ordner: ") + path;
    return QStringLiteral("Export-Ordner konnte nicht angelegt werden: ") + reason;
}

std::optional<QString> writeExportFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return QStringLiteral("Export konnte nicht geschrieben werden: ") + file.errorString();
}

} // namespace tandrel
