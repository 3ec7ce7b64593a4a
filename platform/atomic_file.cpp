#include "platform/atomic_file.h"

#include "platform/file_error.h"

#include <QSaveFile>

namespace tandrel {

Status writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(germanFileError(FileError::last()));
    qint64 written = 0;
    FileError cause;
    while (written < bytes.size()) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) {
            cause = FileError::last();
            break;
        }
        written += count;
    }
    if (written == bytes.size()) {
        if (file.commit())
            return {};
        cause = FileError::last();
    }
    const QString error = file.error() == QFileDevice::RenameError
            ? QStringLiteral("Fehler beim Umbenennen: %1").arg(germanFileError(cause))
            : germanFileError(cause);
    file.cancelWriting();
    return Status::failure(error);
}

} // namespace tandrel
