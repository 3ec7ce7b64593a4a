#include "app/library_error_text.h"
#include "app/ui_language.h"
#include "library/library_json.h"

#include <QCoreApplication>
#include <cerrno>
#include <gtest/gtest.h>
#include <limits>

using namespace tandrel;

namespace {

using Kind = LibraryError::Kind;
using Record = LibraryError::Place::Record;
using Step = LibraryError::Step;

LibraryError decodeFailure(const QByteArray &text)
{
    const LibraryResult<QList<ReelProject>> read = decodeLibrary(text);
    return read.ok() ? LibraryError(Kind::notFound) : read.error();
}

LibraryError kept(Kind kind, LibraryError cause, bool restored, qint64 reel = 0, QString folder = {})
{
    LibraryError error(kind);
    error.cause = std::make_shared<const LibraryError>(std::move(cause));
    error.restored = restored;
    error.reel = reel;
    error.path = std::move(folder);
    return error;
}

} // namespace

// The German words of the library's failures, as the windows and tandrelctl
// show them; failures of library.json's text come from the real decoder.
TEST(LibraryErrorText, GermanWords)
{
    installUiLanguage(*QCoreApplication::instance(), UiLanguage::German);
    ReelProject notFinite;
    notFinite.prefix = 7;
    notFinite.title = QStringLiteral("Sieben");
    notFinite.createdAt = notFinite.updatedAt = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    notFinite.cropCenterX = std::numeric_limits<double>::infinity();
    const LibraryResult<QByteArray> encoded = encodeLibrary({notFinite});
    ASSERT_FALSE(encoded.ok());
    LibraryError notMovedAside = LibraryError::ofFile(Kind::unreadableNotMovedAside, FileError{EACCES});
    LibraryError reading = LibraryError::ofFile(Kind::fileFailed, FileError{EACCES});
    LibraryError trash(Kind::notTrashed);
    trash.trash = TrashFailure{TrashFailure::Kind::nameTooLong};
    LibraryError notRenamed(Kind::notWritten);
    notRenamed.write = AtomicWriteFailure{FileError{ENOSPC}, true};

    const struct
    {
        LibraryError error;
        std::string german;
    } cases[] = {
            {decodeFailure("[{\"id\" 1}]"), "Ungültiges JSON an Position 8 (Doppelpunkt fehlt)."},
            {decodeFailure("[1, 2"), "Ungültiges JSON an Position 5 (Ende mitten in einer Zahl)."},
            {decodeFailure("{}"), "Die Datei enthält keine Liste von Reels."},
            {decodeFailure("[3]"), "Reel 1: Das Reel ist kein Objekt."},
            {decodeFailure("[{\"id\": \"XF1C2B9E-1D2A-4C3B-9A8E-7F6D5C4B3A21\"}]"),
             "Reel 1: Feld „id“ ist keine gültige UUID: XF1C2B9E-1D2A-4C3B-9A8E-7F6D5C4B3A21"},
            {decodeFailure("[{\"id\": 3}]"), "Reel 1: Feld „id“ hat den falschen Typ."},
            {decodeFailure("[{\"id\": null}]"), "Reel 1: Feld „id“ ist leer (null)."},
            {decodeFailure("[{}]"), "Reel 1: Feld „id“ fehlt."},
            {LibraryError::ofMember(Kind::memberMissing, "end")
                     .inside(Record::word, 3)
                     .inside(Record::take, 2),
             "Take 2: Wort 3: Feld „end“ fehlt."},
            {LibraryError::ofMember(Kind::memberNull, "start").inside(Record::interval, 2),
             "Sprechabschnitt 2: Feld „start“ ist leer (null)."},
            {LibraryError::ofMember(Kind::memberNotDate, "createdAt", "gestern"),
             "Feld „createdAt“ ist kein gültiges Datum: gestern"},
            {encoded.error(),
             "Reel 1 (" + notFinite.displayLabel().toStdString()
                     + "): Der Wert von „cropCenterX“ ist keine endliche Zahl."},
            {Kind::numberNotFinite, "Eine Zahl ist nicht endlich."},
            {LibraryError::ofMember(Kind::dateNotWritable, "recordedAt").inside(Record::take, 1),
             "Take 1: Das Datum in „recordedAt“ lässt sich nicht schreiben."},
            {LibraryError(Kind::lockBusy).during(Step::saving),
             "Bibliothek konnte nicht gespeichert werden: Die Bibliothek wird gerade von einem anderen "
             "Programm "
             "geändert. Bitte gleich noch einmal versuchen."},
            {Kind::lockDenied, "Keine Berechtigung für die Sperrdatei der Bibliothek."},
            {Kind::lockNotCreated, "Die Sperrdatei der Bibliothek konnte nicht angelegt werden."},
            {std::move(reading).during(Step::reading),
             "Bibliothek konnte nicht gelesen werden: Keine Berechtigung"},
            {std::move(notMovedAside).during(Step::saving),
             "Bibliothek konnte nicht gespeichert werden: Die unlesbare Datei konnte nicht beiseitegelegt "
             "werden: "
             "Keine Berechtigung"},
            {LibraryError::at(Kind::folderNotCreated, "/nur/lesen"),
             "Der Ordner /nur/lesen konnte nicht angelegt werden."},
            {Kind::noFolderGiven, "Kein Ordner für die Bibliothek angegeben."},
            {Kind::notFound, "Das ist nicht mehr in der Bibliothek."},
            {Kind::numbersExhausted,
             "Es gibt keine freie Reel-Nummer mehr: Die höchste mögliche Nummer ist vergeben."},
            {Kind::noTrash, "Auf diesem Laufwerk gibt es keinen Papierkorb."},
            {std::move(notRenamed).during(Step::saving),
             "Bibliothek konnte nicht gespeichert werden: Fehler beim Umbenennen: Kein Speicherplatz mehr "
             "auf "
             "dem Datenträger"},
            {kept(Kind::reelNotTrashed, trash, true, 3),
             "Reel 003 konnte nicht in den Papierkorb verschoben werden: Der Name ist für den Papierkorb zu "
             "lang. Es bleibt "
             "in der "
             "Bibliothek."},
            {kept(Kind::reelNotDeleted, LibraryError::at(Kind::notDeleted, "/b/003-drei/takes"), false, 3,
                  "/b/003-drei"),
             "Reel 003 konnte nicht gelöscht werden: /b/003-drei/takes konnte nicht gelöscht werden. Sein "
             "Ordner "
             "bleibt unter /b/003-drei."},
            {kept(Kind::takeNotTrashed, trash, true),
             "Take konnte nicht in den Papierkorb verschoben werden: Der Name ist für den Papierkorb zu "
             "lang. "
             "Er bleibt in "
             "der "
             "Bibliothek."},
            {kept(Kind::takeNotDeleted, LibraryError::at(Kind::notDeleted, "/b/t.mov"), false),
             "Take konnte nicht gelöscht werden: /b/t.mov konnte nicht gelöscht werden."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(libraryErrorText(c.error).toStdString(), c.german);
    EXPECT_EQ(recoveredTakesText(1).toStdString(), "1 Take wiederhergestellt.");
    EXPECT_EQ(recoveredTakesText(4).toStdString(), "4 Takes wiederhergestellt.");
}

TEST(LibraryErrorText, EnglishWords)
{
    QCoreApplication &app = *QCoreApplication::instance();
    ASSERT_TRUE(installUiLanguage(app, UiLanguage::English));
    const QString text = libraryErrorText(
            LibraryError::ofMember(Kind::memberMissing, "end").inside(Record::take, 2).during(Step::reading));
    installUiLanguage(app, UiLanguage::German);
    EXPECT_EQ(text.toStdString(), "Could not read the library: Take 2: Field “end” is missing.");
}
