#pragma once

#include "export/export_error.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tandrel {

// Creates `path` with its missing parents (an existing folder is fine); why
// it failed, none on success.
std::optional<ExportFailure> createExportFolder(const QString &path);
// Replaces the file at `path` with `bytes` atomically: readers see the old or
// the new file, never a part; why it failed, none on success.
std::optional<ExportFailure> writeExportFile(const QString &path, const QByteArray &bytes);

} // namespace tandrel
