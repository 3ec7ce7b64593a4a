#include "app/file_error_text.h"

#include <QCoreApplication>
#include <cstring>

namespace tandrel {

QString fileErrorText(FileError error)
{
    if (const char *words = fileErrorWords(error))
        return QCoreApplication::translate("tandrel::FileError", words);
    return QString::fromLocal8Bit(std::strerror(error.code));
}

} // namespace tandrel
