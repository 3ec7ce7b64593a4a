#include "platform/file_error.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace tandrel;

// The cause is kept as the system's number, read where the call failed, and
// named from that number.
TEST(FileError, NamesTheCauseOfARealFailureFromItsNumber)
{
    QTemporaryDir dir;
    const struct
    {
        QString path;
        QIODevice::OpenMode mode;
        int code;
        const char *german;
    } cases[] = {
            {dir.path(), QIODevice::WriteOnly, EISDIR, "Ist ein Ordner"},
            {dir.filePath("fehlt/datei"), QIODevice::ReadOnly, ENOENT, "Datei oder Ordner nicht gefunden"},
    };
    for (const auto &c : cases) {
        QFile file(c.path);
        ASSERT_FALSE(file.open(c.mode)) << c.german;
        const FileError error = FileError::last();
        EXPECT_EQ(error, FileError{c.code}) << c.german;
        EXPECT_EQ(germanFileError(error), QString::fromUtf8(c.german));
    }
}

TEST(FileError, ACauseWithoutGermanWordsKeepsTheSystemsAndNoneIsUnknown)
{
    EXPECT_EQ(germanFileError(FileError{ENOSPC}), "Kein Speicherplatz mehr auf dem Datenträger");
    EXPECT_EQ(germanFileError(FileError{}), "Unbekannter Fehler");
    EXPECT_EQ(fileErrorWords(FileError{ECHILD}), nullptr);
    EXPECT_FALSE(germanFileError(FileError{ECHILD}).isEmpty());
}

TEST(FileError, FindsTheCauseBehindTheSystemsOwnWords)
{
    EXPECT_EQ(FileError::fromSystemWords(QString::fromLocal8Bit(std::strerror(EFBIG))), FileError{EFBIG});
    EXPECT_EQ(FileError::fromSystemWords("Could not write to resource."), FileError{});
    EXPECT_EQ(FileError::fromSystemWords(QString()), FileError{});
}
