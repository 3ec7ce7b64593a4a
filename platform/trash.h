#pragma once

#include "platform/file_error.h"
#include "platform/result.h"

#include <QString>

namespace tandrel {

// The desktop's trash: the files/ and info/ folders that desktops and file managers share
// and QFile::moveToTrash fills it: for a file on the home's file system the
// home trash "$XDG_DATA_HOME/Trash"; for a file on another file system that
// file system's "$topdir/.Trash/$uid" or "$topdir/.Trash-$uid". The desktop's
// file manager restores from there. Nothing is ever copied: an item that
// cannot be moved stays where it was.

// Whether `path` (a file or folder) can be moved to a trash. False on a file
// system that has none and where none can be made (a read-only or foreign
// medium), or when the home trash cannot be made.
bool trashAvailableFor(const QString &path);

// Why an item could not go to the trash or come back from it; `path` is
// the item's (for originalTaken, the place it was to return to).
struct TrashFailure
{
    enum class Kind {
        failed, // the system refused; `cause` says why
        nameTooLong, // the trash cannot hold a name this long
        noTrash, // the item's file system has no trash and none can be made
        originalTaken, // something new lies where the item was
    };
    Kind kind = Kind::failed;
    FileError cause{};
    QString path{};
    bool operator==(const TrashFailure &) const = default;
};

// Moves a file or folder to its trash; its path inside the trash.
Result<QString, TrashFailure> moveItemToTrash(const QString &path);

// Puts an item that moveItemToTrash moved back to `original` and drops its
// entry in the trash: undoes a move when the change it belonged to cannot be
// completed. Fails, leaving the item in the trash, when `original` is taken.
BasicStatus<TrashFailure> restoreItemFromTrash(const QString &trashed, const QString &original);

} // namespace tandrel
