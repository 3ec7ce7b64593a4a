#include "platform/atomic_file.h"

#include "platform/file_error.h"

#include <QSaveFile>

namespace tandrel {

Status writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(germanFileError(file.errorString()));
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            break;
        written += count;
    }
    if (written == bytes.size() && file.commit())
        return {};
    const QString error = germanFileError(file.errorString());
    file.cancelWriting();
    return Status::failure(error);
}

} // namespace tandrel
