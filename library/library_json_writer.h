#pragma once

#include "library/reel_project.h"

#include <QByteArray>
#include <QList>
#include <cstring>
#include <optional>

namespace tandrel {

// The pretty JSON text of the library's records, written straight from the
// records: byte for byte what toPrettyJson makes of encodeReel's objects
// (members in byte order of their names, four blanks per level, a final line
// feed), without building JSON values first. None when a value has no JSON
// form (a non-finite number, a date outside the years 1 to 9999); the
// encoders of library_json.h say which.
class LibraryJsonWriter
{
public:
    static std::optional<QByteArray> library(const QList<ReelProject> &reels);
    static std::optional<QByteArray> reel(const ReelProject &reel);
    static std::optional<QByteArray> take(const Take &take);

private:
    explicit LibraryJsonWriter(qsizetype reserve) { m_out.resize(reserve); }
    std::optional<QByteArray> finish();

    void writeReel(const ReelProject &reel, int level);
    void writeTake(const Take &take, int level);
    void writeSpeechInterval(const SpeechInterval &interval, int level);
    void writeWord(const WordTime &word, int level);

    // Object members: the name (already in byte order), then the value.
    void beginObject();
    void member(const char *name, int level);
    void endObject(int level);
    template<typename T, typename Write> void writeArray(const QList<T> &items, int level, Write write);

    // Room for `count` more bytes at the end of the text.
    char *room(qsizetype count);
    void put(const char *bytes, qsizetype count) { std::memcpy(room(count), bytes, size_t(count)); }
    void put(char byte) { *room(1) = byte; }
    void indent(int level);
    void writeString(QStringView text);
    void writeDouble(double value);
    void writeInteger(qint64 value);
    void writeDate(const QDateTime &date);
    void writeUuid(const QUuid &id);

    QByteArray m_out; // its first m_size bytes are the text
    qsizetype m_size = 0;
    bool m_firstMember = true;
    bool m_ok = true;
};

} // namespace tandrel
