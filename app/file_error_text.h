#pragma once

#include "platform/file_error.h"

#include <QString>

namespace tandrel {

// A file-system failure in the interface's language ("Keine Berechtigung").
QString fileErrorText(FileError error);

} // namespace tandrel
