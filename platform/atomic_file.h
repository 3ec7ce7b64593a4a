#pragma once

#include "platform/file_error.h"
#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace tandrel {

// Why a file could not be replaced as a whole: the system's cause, and
// whether the new file was written but could not take the old one's place.
struct AtomicWriteFailure
{
    FileError cause{};
    bool renaming = false;
    bool operator==(const AtomicWriteFailure &) const = default;
};

// Replaces the file at `path` with `bytes` as a whole or not at all: written
// beside it, synced, renamed over it. Written unbuffered, so a disk that runs
// full shows as a short write instead of a file committed cut short.
BasicStatus<AtomicWriteFailure> replaceFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace tandrel
