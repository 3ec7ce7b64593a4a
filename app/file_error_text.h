#pragma once

#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/trash.h"

#include <QString>

namespace tandrel {

// A file-system failure in the interface's language ("Keine Berechtigung").
QString fileErrorText(FileError error);

// Why a file could not be replaced as a whole ("Fehler beim Umbenennen: …").
QString atomicWriteFailureText(const AtomicWriteFailure &failure);

// Why an item could not go to the trash or come back from it.
QString trashFailureText(const TrashFailure &failure);

} // namespace tandrel
