#pragma once

#include <QString>
#include <optional>

namespace tandrel {

// The number typed into a reel's number field: blanks and tabs around it are
// ignored; an optional sign and ASCII digits within the signed 64-bit range
// make a number, anything else none.
std::optional<qint64> parseReelNumber(const QString &text);

} // namespace tandrel
