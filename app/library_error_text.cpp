#include "app/library_error_text.h"

#include "app/file_error_text.h"

#include <QCoreApplication>

namespace tandrel {

namespace {

QString reelLabel(qint64 number)
{
    return QCoreApplication::translate("tandrel::LibraryErrorText", "Reel %1")
            .arg(QString::asprintf("%03lld", static_cast<long long>(number)));
}

// QJsonParseError's own texts are English and untranslated.
QString parseErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::NoError:
        return {};
    case QJsonParseError::UnterminatedObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Objekt nicht abgeschlossen");
    case QJsonParseError::MissingNameSeparator:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Doppelpunkt fehlt");
    case QJsonParseError::UnterminatedArray:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Liste nicht abgeschlossen");
    case QJsonParseError::MissingValueSeparator:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Komma fehlt");
    case QJsonParseError::IllegalValue:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "ungültiger Wert");
    case QJsonParseError::TerminationByNumber:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Ende mitten in einer Zahl");
    case QJsonParseError::IllegalNumber:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "ungültige Zahl");
    case QJsonParseError::IllegalEscapeSequence:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "ungültige Escape-Sequenz");
    case QJsonParseError::IllegalUTF8String:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "ungültiges UTF-8");
    case QJsonParseError::UnterminatedString:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Zeichenkette nicht abgeschlossen");
    case QJsonParseError::MissingObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Objekt erwartet");
    case QJsonParseError::DeepNesting:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "zu tief verschachtelt");
    case QJsonParseError::DocumentTooLarge:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Dokument zu groß");
    case QJsonParseError::GarbageAtEnd:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "überzählige Zeichen am Ende");
    }
    return QCoreApplication::translate("tandrel::LibraryErrorText", "unbekannter Fehler");
}

QString causeText(const LibraryError &error)
{
    return error.cause ? libraryErrorText(*error.cause) : QString();
}

// The failure itself, without step and record.
QString kindText(const LibraryError &error)
{
    using Kind = LibraryError::Kind;
    switch (error.kind) {
    case Kind::noFolderGiven:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Kein Ordner für die Bibliothek angegeben.");
    case Kind::folderNotCreated:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Der Ordner %1 konnte nicht angelegt werden.")
                .arg(error.path);
    case Kind::lockBusy:
        return QCoreApplication::translate(
                "tandrel::LibraryErrorText",
                "Die Bibliothek wird gerade von einem anderen Programm geändert. Bitte gleich noch "
                "einmal versuchen.");
    case Kind::lockDenied:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Keine Berechtigung für die Sperrdatei der Bibliothek.");
    case Kind::lockNotCreated:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Die Sperrdatei der Bibliothek konnte nicht angelegt werden.");
    case Kind::fileFailed:
        return fileErrorText(error.file);
    case Kind::notWritten:
        return atomicWriteFailureText(error.write);
    case Kind::unreadableNotMovedAside:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Die unlesbare Datei konnte nicht beiseitegelegt werden: %1")
                .arg(fileErrorText(error.file));
    case Kind::invalidJson:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Ungültiges JSON an Position %1 (%2).")
                .arg(error.position)
                .arg(parseErrorText(error.parseError));
    case Kind::notAList:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Die Datei enthält keine Liste von Reels.");
    case Kind::reelNotObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Das Reel ist kein Objekt.");
    case Kind::takeNotObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Der Take ist kein Objekt.");
    case Kind::intervalNotObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Ein Sprechabschnitt ist kein Objekt.");
    case Kind::wordNotObject:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Ein Wort ist kein Objekt.");
    case Kind::memberMissing:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Feld „%1“ fehlt.").arg(error.member);
    case Kind::memberNull:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Feld „%1“ ist leer (null).")
                .arg(error.member);
    case Kind::memberWrongType:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Feld „%1“ hat den falschen Typ.")
                .arg(error.member);
    case Kind::memberNotUuid:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Feld „%1“ ist keine gültige UUID: %2")
                .arg(error.member, error.value);
    case Kind::memberNotDate:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Feld „%1“ ist kein gültiges Datum: %2")
                .arg(error.member, error.value);
    case Kind::numberNotFinite:
        return error.member.isEmpty()
                ? QCoreApplication::translate("tandrel::LibraryErrorText", "Eine Zahl ist nicht endlich.")
                : QCoreApplication::translate("tandrel::LibraryErrorText",
                                              "Der Wert von „%1“ ist keine endliche Zahl.")
                          .arg(error.member);
    case Kind::dateNotWritable:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Das Datum in „%1“ lässt sich nicht schreiben.")
                .arg(error.member);
    case Kind::notFound:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Das ist nicht mehr in der Bibliothek.");
    case Kind::numbersExhausted:
        return QCoreApplication::translate(
                "tandrel::LibraryErrorText",
                "Es gibt keine freie Reel-Nummer mehr: Die höchste mögliche Nummer ist vergeben.");
    case Kind::noTrash:
        return QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Auf diesem Laufwerk gibt es keinen Papierkorb.");
    case Kind::notDeleted:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "%1 konnte nicht gelöscht werden.")
                .arg(error.path);
    case Kind::notTrashed:
        return trashFailureText(error.trash);
    case Kind::reelNotTrashed:
    case Kind::reelNotDeleted: {
        const QString failed = error.kind == Kind::reelNotTrashed
                ? QCoreApplication::translate("tandrel::LibraryErrorText",
                                              "%1 konnte nicht in den Papierkorb verschoben werden: %2")
                : QCoreApplication::translate("tandrel::LibraryErrorText",
                                              "%1 konnte nicht gelöscht werden: %2");
        return failed.arg(reelLabel(error.reel), causeText(error)) + QLatin1Char(' ')
                + (error.restored ? QCoreApplication::translate("tandrel::LibraryErrorText",
                                                                "Es bleibt in der Bibliothek.")
                                  : QCoreApplication::translate("tandrel::LibraryErrorText",
                                                                "Sein Ordner bleibt unter %1.")
                                            .arg(error.path));
    }
    case Kind::takeNotTrashed:
    case Kind::takeNotDeleted: {
        const QString failed = error.kind == Kind::takeNotTrashed
                ? QCoreApplication::translate("tandrel::LibraryErrorText",
                                              "Take konnte nicht in den Papierkorb verschoben werden: %1")
                          .arg(causeText(error))
                : QCoreApplication::translate("tandrel::LibraryErrorText",
                                              "Take konnte nicht gelöscht werden: %1")
                          .arg(causeText(error));
        return error.restored ? failed + QLatin1Char(' ')
                        + QCoreApplication::translate("tandrel::LibraryErrorText",
                                                      "Er bleibt in der Bibliothek.")
                              : failed;
    }
    }
    return {};
}

QString placeText(const LibraryError::Place &place)
{
    using Record = LibraryError::Place::Record;
    switch (place.record) {
    case Record::reel:
        return place.label.isEmpty()
                ? QCoreApplication::translate("tandrel::LibraryErrorText", "Reel %1: ").arg(place.number)
                : QCoreApplication::translate("tandrel::LibraryErrorText", "Reel %1 (%2): ")
                          .arg(place.number)
                          .arg(place.label);
    case Record::take:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Take %1: ").arg(place.number);
    case Record::interval:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Sprechabschnitt %1: ")
                .arg(place.number);
    case Record::word:
        return QCoreApplication::translate("tandrel::LibraryErrorText", "Wort %1: ").arg(place.number);
    }
    return {};
}

} // namespace

QString libraryErrorText(const LibraryError &error)
{
    QString text;
    switch (error.step) {
    case LibraryError::Step::none:
        break;
    case LibraryError::Step::reading:
        text = QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Bibliothek konnte nicht gelesen werden: ");
        break;
    case LibraryError::Step::saving:
        text = QCoreApplication::translate("tandrel::LibraryErrorText",
                                           "Bibliothek konnte nicht gespeichert werden: ");
        break;
    }
    for (const LibraryError::Place &place : error.places)
        text += placeText(place);
    return text + kindText(error);
}

QString recoveredTakesText(int count)
{
    return count == 1
            ? QCoreApplication::translate("tandrel::LibraryErrorText", "1 Take wiederhergestellt.")
            : QCoreApplication::translate("tandrel::LibraryErrorText", "%1 Takes wiederhergestellt.")
                      .arg(count);
}

} // namespace tandrel
