#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/trash.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace tandrel;

// The cause is kept as the system's number, read where the call failed. A
// folder opened for reading is refused by Qt, not by the system: its cause
// is EISDIR whatever errno held before.
TEST(FileError, KeepsTheCauseOfARealFailureAsItsNumber)
{
    QTemporaryDir dir;
    const struct
    {
        QString path;
        QIODevice::OpenMode mode;
        int code;
    } cases[] = {
            {dir.path(), QIODevice::WriteOnly, EISDIR},
            {dir.filePath("fehlt/datei"), QIODevice::ReadOnly, ENOENT},
            {dir.path(), QIODevice::ReadOnly, EISDIR},
    };
    for (const auto &c : cases) {
        QFile file(c.path);
        errno = ENOENT;
        ASSERT_FALSE(file.open(c.mode)) << qPrintable(c.path);
        const FileError cause = c.mode == QIODevice::ReadOnly ? FileError::lastOpen(c.path) : FileError::last();
        EXPECT_EQ(cause, FileError{c.code}) << qPrintable(c.path);
    }
}

// Writes and trash moves that fail say why as values: the cause as the
// system numbered it, and what kind of failure it was.
TEST(FileError, FailedWritesAndTrashMovesKeepTheirCause)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("fehlt/datei");
    const auto written = replaceFileAtomically(missing, "x");
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error(), (AtomicWriteFailure{FileError{ENOENT}, false}));

    const auto moved = moveItemToTrash(missing);
    ASSERT_FALSE(moved.ok());
    EXPECT_EQ(moved.error(), (TrashFailure{TrashFailure::Kind::failed, FileError{ENOENT}, missing}));

    const QString taken = dir.filePath("belegt");
    ASSERT_TRUE(replaceFileAtomically(taken, "x").ok());
    const auto restored = restoreItemFromTrash(dir.filePath("anderes"), taken);
    ASSERT_FALSE(restored.ok());
    EXPECT_EQ(restored.error(), (TrashFailure{TrashFailure::Kind::originalTaken, {}, taken}));
}
