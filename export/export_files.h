#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tandrel {

// Creates `path` with its missing parents (an existing folder is fine); the
// German description of a failure, none on success.
std::optional<QString> createExportFolder(const QString &path);
// Replaces the file at `path` with `bytes` atomically: readers see the old or
// the new file, never a part; the German description of a failure.
std::optional<QString> writeExportFile(const QString &path, const QByteArray &bytes);

} // namespace tandrel
