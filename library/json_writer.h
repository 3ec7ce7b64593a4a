#pragma once

#include "library/library_error.h"

#include <QByteArray>
#include <QJsonValue>
#include <QStringView>

namespace tandrel {

// Pretty-printed text of a JSON value: members sorted by name, four blanks
// per level, a final line feed. Integers print as integers, other numbers in
// shortest round-trip form.
LibraryResult<QByteArray> toPrettyJson(const QJsonValue &value);

// The pieces of that text, for writers that make it from other values: a
// string in UTF-8 with JSON's escapes (a lone surrogate as its \u escape), and
// a number (false for one that is not finite).
void appendJsonString(QByteArray &out, QStringView text);
bool appendJsonNumber(QByteArray &out, const QJsonValue &value);

} // namespace tandrel
