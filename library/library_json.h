#pragma once

#include "library/json_writer.h"
#include "library/library_error.h"
#include "library/reel_project.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

namespace tandrel {

// The JSON form of the library's records, as kept in library.json and printed
// by tandrelctl. Member names are the field names; dates are UTC with whole
// seconds and a "Z"; UUIDs are upper-case; doubles are written in the
// shortest text that reads back to the same value.

// "2025-03-01T09:30:00Z"; the fraction of a second is dropped.
QString formatLibraryDate(const QDateTime &date);
// Accepts exactly the written form; fractions of seconds or other zones are refused.
std::optional<QDateTime> parseLibraryDate(const QString &text);
// The canonical upper-case 8-4-4-4-12 form.
QString formatLibraryUuid(const QUuid &id);

// Record → JSON object. Fails on a value that JSON cannot hold:
// a non-finite double or a date outside the years 0 to 9999.
LibraryResult<QJsonObject> encodeSpeechInterval(const SpeechInterval &interval);
LibraryResult<QJsonObject> encodeTake(const Take &take);
LibraryResult<QJsonObject> encodeReel(const ReelProject &reel);

// JSON value → record. Fails, naming the member, on a missing
// member, a null where none is allowed, or a value of the wrong type.
LibraryResult<SpeechInterval> decodeSpeechInterval(const QJsonValue &value);
LibraryResult<Take> decodeTake(const QJsonValue &value);
LibraryResult<ReelProject> decodeReel(const QJsonValue &value);

// Any JSON text as Qt's parser reads it, except that a U+FEFF opening a
// string is kept, as the library's own reader keeps it.
QJsonDocument parseLibraryDocument(const QByteArray &bytes, QJsonParseError *error = nullptr);

// The whole library file: a JSON array of reels.
LibraryResult<QByteArray> encodeLibrary(const QList<ReelProject> &reels);
LibraryResult<QList<ReelProject>> decodeLibrary(const QByteArray &bytes);

// One record as pretty text, for showing a single reel or take.
LibraryResult<QByteArray> encodeReelText(const ReelProject &reel);
LibraryResult<QByteArray> encodeTakeText(const Take &take);

} // namespace tandrel
