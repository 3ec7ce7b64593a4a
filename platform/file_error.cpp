#include "platform/file_error.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tandrel {

namespace {

struct Translation
{
    int code;
    const char *german;
};

// The failures a user meets with a library or a take on disk.
constexpr Translation translations[] = {
        {ENOSPC, "Kein Speicherplatz mehr auf dem Datenträger"},
        {EDQUOT, "Speicherkontingent auf dem Datenträger erschöpft"},
        {EACCES, "Keine Berechtigung"},
        {EPERM, "Vorgang nicht erlaubt"},
        {EROFS, "Schreibgeschütztes Dateisystem"},
        {ENOENT, "Datei oder Ordner nicht gefunden"},
        {EISDIR, "Ist ein Ordner"},
        {ENOTDIR, "Ist kein Ordner"},
        {EEXIST, "Datei existiert bereits"},
        {EIO, "Ein- oder Ausgabefehler"},
        {ENAMETOOLONG, "Dateiname zu lang"},
        {EMFILE, "Zu viele offene Dateien"},
        {EBUSY, "Gerät oder Datei wird gerade benutzt"},
        {EXDEV, "Verschieben zwischen Dateisystemen nicht möglich"},
        {ENOTEMPTY, "Ordner ist nicht leer"},
        {EFBIG, "Datei zu groß"},
};

// Qt's own words around and instead of the system's.
const std::pair<const char *, const char *> qtPhrases[] = {
        {"Error while renaming", "Fehler beim Umbenennen"},
        {"Unknown error", "Unbekannter Fehler"},
        {"(illegal number)", "(unbekannte Fehlernummer)"},
};

} // namespace

QString germanFileError(const QString &description)
{
    QString text = description;
    for (const Translation &t : translations) {
        const QString english = QString::fromLocal8Bit(std::strerror(t.code));
        if (!english.isEmpty())
            text.replace(english, QString::fromUtf8(t.german));
    }
    for (const auto &[english, german] : qtPhrases)
        text.replace(QString::fromUtf8(english), QString::fromUtf8(german));
    return text;
}

} // namespace tandrel
