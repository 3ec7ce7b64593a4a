#pragma once

#include <QFont>

namespace tandrel {

// The rounded face the teleprompter draws in, falling back to the desktop's
// sans-serif face where no rounded one is installed.
QFont teleprompterFont(double pointSize, QFont::Weight weight);

} // namespace tandrel
