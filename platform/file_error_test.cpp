#include "platform/file_error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

TEST(FileError, PutsTheSystemsWordsIntoGerman)
{
    const struct
    {
        const char *qt, *german;
    } cases[] = {
            {"No space left on device", "Kein Speicherplatz mehr auf dem Datenträger"},
            {"Permission denied", "Keine Berechtigung"},
            {"Read-only file system", "Schreibgeschütztes Dateisystem"},
            {"No such file or directory", "Datei oder Ordner nicht gefunden"},
            {"Is a directory", "Ist ein Ordner"},
            {"Error while renaming: Permission denied", "Fehler beim Umbenennen: Keine Berechtigung"},
            {"Unknown error", "Unbekannter Fehler"},
            {"Ungültiges JSON (illegal number)", "Ungültiges JSON (unbekannte Fehlernummer)"},
            {"etwas ganz anderes", "etwas ganz anderes"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(germanFileError(QString::fromUtf8(c.qt)), QString::fromUtf8(c.german)) << c.qt;
}

TEST(FileError, TranslatesWhatQtReportsForARealFailure)
{
    QTemporaryDir dir;
    QFile folderAsFile(dir.path());
    ASSERT_FALSE(folderAsFile.open(QIODevice::WriteOnly));
    EXPECT_EQ(germanFileError(folderAsFile.errorString()), "Ist ein Ordner");
    QFile missing(dir.filePath("fehlt/datei"));
    ASSERT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(germanFileError(missing.errorString()), "Datei oder Ordner nicht gefunden");
}
