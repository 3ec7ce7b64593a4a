#pragma once

#include <QString>

namespace tandrel {

// A file-system failure as Qt describes it ("No space left on device",
// "Error while renaming: Permission denied", "Unknown error"), with the
// operating system's English words put into German. Text it does not know
// passes unchanged.
QString germanFileError(const QString &description);

} // namespace tandrel
