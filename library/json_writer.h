#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QJsonValue>

namespace tandrel {

// Pretty-printed text of a JSON value: members sorted by name, four blanks
// per level, a final line feed. Integers print as integers, other numbers in
// shortest round-trip form.
Result<QByteArray> toPrettyJson(const QJsonValue &value);

} // namespace tandrel
