#include "app/file_error_text.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>

namespace tandrel {

namespace {

struct Words
{
    int code;
    const char *german;
};

// The failures a user meets with a library or a take on disk.
constexpr Words words[] = {
        {0, QT_TRANSLATE_NOOP("tandrel::FileError", "Unbekannter Fehler")},
        {ENOSPC, QT_TRANSLATE_NOOP("tandrel::FileError", "Kein Speicherplatz mehr auf dem Datenträger")},
        {EDQUOT, QT_TRANSLATE_NOOP("tandrel::FileError", "Speicherkontingent auf dem Datenträger erschöpft")},
        {EACCES, QT_TRANSLATE_NOOP("tandrel::FileError", "Keine Berechtigung")},
        {EPERM, QT_TRANSLATE_NOOP("tandrel::FileError", "Vorgang nicht erlaubt")},
        {EROFS, QT_TRANSLATE_NOOP("tandrel::FileError", "Schreibgeschütztes Dateisystem")},
        {ENOENT, QT_TRANSLATE_NOOP("tandrel::FileError", "Datei oder Ordner nicht gefunden")},
        {EISDIR, QT_TRANSLATE_NOOP("tandrel::FileError", "Ist ein Ordner")},
        {ENOTDIR, QT_TRANSLATE_NOOP("tandrel::FileError", "Ist kein Ordner")},
        {EEXIST, QT_TRANSLATE_NOOP("tandrel::FileError", "Datei existiert bereits")},
        {EIO, QT_TRANSLATE_NOOP("tandrel::FileError", "Ein- oder Ausgabefehler")},
        {ENAMETOOLONG, QT_TRANSLATE_NOOP("tandrel::FileError", "Dateiname zu lang")},
        {EMFILE, QT_TRANSLATE_NOOP("tandrel::FileError", "Zu viele offene Dateien")},
        {EBUSY, QT_TRANSLATE_NOOP("tandrel::FileError", "Gerät oder Datei wird gerade benutzt")},
        {EXDEV, QT_TRANSLATE_NOOP("tandrel::FileError", "Verschieben zwischen Dateisystemen nicht möglich")},
        {ENOTEMPTY, QT_TRANSLATE_NOOP("tandrel::FileError", "Ordner ist nicht leer")},
        {EFBIG, QT_TRANSLATE_NOOP("tandrel::FileError", "Datei zu groß")},
};

} // namespace

QString fileErrorText(FileError error)
{
    for (const Words &w : words)
        if (w.code == error.code)
            return QCoreApplication::translate("tandrel::FileError", w.german);
    // A cause without words of its own keeps the system's.
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
