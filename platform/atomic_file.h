#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace tandrel {

// Replaces the file at `path` with `bytes` as a whole or not at all: written
// beside it, synced, renamed over it. Written unbuffered, so a disk that runs
// full shows as a short write instead of a file committed cut short. The
// failure is the system's reason in German.
Status writeFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace tandrel
