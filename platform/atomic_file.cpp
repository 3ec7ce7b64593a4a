#include "platform/atomic_file.h"

#include <QSaveFile>

namespace tandrel {

BasicStatus<AtomicWriteFailure> replaceFileAtomically(const QString &path, const QByteArray &bytes)
{
    using S = BasicStatus<AtomicWriteFailure>;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return S::failure({FileError::last()});
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
    const bool renaming = file.error() == QFileDevice::RenameError;
    file.cancelWriting();
    return S::failure({cause, renaming});
}

} // namespace tandrel
