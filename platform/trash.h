#pragma once

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

// Moves a file or folder to its trash; its path inside the trash, or a
// German description of the failure.
Result<QString> moveToTrash(const QString &path);

// Puts an item that moveToTrash moved back to `original` and drops its entry
// in the trash: undoes a move when the change it belonged to cannot be
// completed. Fails, leaving the item in the trash, when `original` is taken.
Status restoreFromTrash(const QString &trashed, const QString &original);

} // namespace tandrel
