#include "platform/file_error.h"

#include <QFileInfo>

#include <cerrno>

namespace tandrel {

FileError FileError::last()
{
    return FileError{errno};
}

FileError FileError::lastOpen(const QString &path)
{
    const int code = errno;
    return FileError{QFileInfo(path).isDir() ? EISDIR : code};
}

} // namespace tandrel
