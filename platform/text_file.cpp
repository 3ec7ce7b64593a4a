#include "platform/text_file.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>

namespace tandrel {

Result<QString, TextFileFailure> readText(QIODevice &device)
{
    using R = Result<QString, TextFileFailure>;
    errno = 0;
    const QByteArray bytes = device.readAll();
    const auto *file = qobject_cast<QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        return R::failure({TextFileFailure::Kind::notRead, FileError::last()});
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return R::failure({TextFileFailure::Kind::notUtf8});
    return text;
}

Result<QString, TextFileFailure> readTextFile(const QString &path)
{
    using R = Result<QString, TextFileFailure>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::failure({TextFileFailure::Kind::notRead, FileError::lastOpen(path)});
    return readText(file);
}

} // namespace tandrel
