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

QString atomicWriteFailureText(const AtomicWriteFailure &failure)
{
    if (failure.renaming)
        return QCoreApplication::translate("tandrel::FileErrorText", "Fehler beim Umbenennen: %1")
                .arg(fileErrorText(failure.cause));
    return fileErrorText(failure.cause);
}

QString trashFailureText(const TrashFailure &failure)
{
    switch (failure.kind) {
    case TrashFailure::Kind::failed:
        break;
    case TrashFailure::Kind::nameTooLong:
        return QCoreApplication::translate("tandrel::FileErrorText",
                                           "Der Name ist für den Papierkorb zu lang.");
    case TrashFailure::Kind::noTrash:
        return QCoreApplication::translate("tandrel::FileErrorText",
                                           "Auf diesem Laufwerk gibt es keinen Papierkorb.");
    case TrashFailure::Kind::originalTaken:
        return QCoreApplication::translate("tandrel::FileErrorText", "%1 ist schon wieder belegt.")
                .arg(failure.path);
    }
    return fileErrorText(failure.cause);
}

} // namespace tandrel
