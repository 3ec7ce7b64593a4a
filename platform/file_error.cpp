#include "platform/file_error.h"

#include <QtGlobal>
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

FileError FileError::last()
{
    return FileError{errno};
}

const char *fileErrorWords(FileError error)
{
    for (const Words &w : words)
        if (w.code == error.code)
            return w.german;
    return nullptr;
}

QString germanFileError(FileError error)
{
    if (const char *german = fileErrorWords(error))
        return QString::fromUtf8(german);
    return QString::fromLocal8Bit(std::strerror(error.code));
}

} // namespace tandrel
