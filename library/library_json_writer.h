#pragma once

#include "library/reel_project.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
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
    explicit LibraryJsonWriter(qsizetype reserve);
    std::optional<QByteArray> finish();

    void writeReel(const ReelProject &reel, int level);
    void writeTake(const Take &take, int level);
    void writeSpeechInterval(const SpeechInterval &interval, int level);
    void writeWord(const WordTime &word, int level);

    // Object members: the name (already in byte order), then the value.
    void beginObject();
    template<qsizetype N> void member(const char (&name)[N], int level);
    void endObject(int level);
    template<typename T, typename Write> void writeArray(const QList<T> &items, int level, Write write);

    // Room for `count` more bytes at the end of the text; what is not used
    // of it is given back with giveBack.
    char *room(qsizetype count)
    {
        if (m_end - m_at < count)
            grow(count);
        char *at = m_at;
        m_at += count;
        return at;
    }
    void giveBack(char *end) { m_at = end; }
    void grow(qsizetype count);
    void put(const char *bytes, qsizetype count) { std::memcpy(room(count), bytes, size_t(count)); }
    void put(char byte) { *room(1) = byte; }
    static char *indent(char *at, int level);
    void indent(int level) { giveBack(indent(room(std::max(level * 4, 32)), level)); }
    void writeString(QStringView text);
    void writeDouble(double value);
    static char *writeShortFraction(char *at, double value);
    void writeInteger(qint64 value);
    void writeDate(const QDateTime &date);
    void writeUuid(const QUuid &id);

    // The text is the bytes from m_out's start to m_at; m_end is the end of
    // m_out. Raw pointers, so that writing a byte asks nothing of QByteArray.
    QByteArray m_out;
    char *m_at = nullptr;
    char *m_end = nullptr;
    bool m_firstMember = true;
    bool m_ok = true;
};

} // namespace tandrel
