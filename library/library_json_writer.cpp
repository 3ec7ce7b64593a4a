#include "library/library_json_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tandrel {

namespace {

// Days since 1970-01-01 → proleptic Gregorian year, month, day (year 0 is 1 BC).
void civilFromDays(qint64 days, qint64 &year, int &month, int &day)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void appendDigits(char *at, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        at[i] = char('0' + value % 10);
        value /= 10;
    }
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

std::optional<QByteArray> LibraryJsonWriter::library(const QList<ReelProject> &reels)
{
    LibraryJsonWriter writer(1024 + reels.size() * 1536);
    writer.writeArray(reels, 1, [&](const ReelProject &reel, int level) { writer.writeReel(reel, level); });
    return writer.finish();
}

std::optional<QByteArray> LibraryJsonWriter::reel(const ReelProject &reel)
{
    LibraryJsonWriter writer(2048);
    writer.writeReel(reel, 0);
    return writer.finish();
}

std::optional<QByteArray> LibraryJsonWriter::take(const Take &take)
{
    LibraryJsonWriter writer(1024);
    writer.writeTake(take, 0);
    return writer.finish();
}

std::optional<QByteArray> LibraryJsonWriter::finish()
{
    put('\n');
    if (!m_ok)
        return std::nullopt;
    m_out.truncate(m_size);
    return std::move(m_out);
}

char *LibraryJsonWriter::room(qsizetype count)
{
    if (m_size + count > m_out.size())
        m_out.resize(std::max(m_out.size() * 2, m_size + count));
    char *at = m_out.data() + m_size;
    m_size += count;
    return at;
}

void LibraryJsonWriter::indent(int level)
{
    std::memset(room(level * 4), ' ', size_t(level * 4));
}

void LibraryJsonWriter::writeReel(const ReelProject &reel, int level)
{
    beginObject();
    member("createdAt", level);
    writeDate(reel.createdAt);
    member("cropCenterX", level);
    writeDouble(reel.cropCenterX);
    member("id", level);
    writeUuid(reel.id);
    member("prefix", level);
    writeInteger(reel.prefix);
    member("script", level);
    writeString(reel.script);
    member("takes", level);
    writeArray(reel.takes, level + 2, [&](const Take &take, int l) { writeTake(take, l); });
    member("title", level);
    writeString(reel.title);
    member("updatedAt", level);
    writeDate(reel.updatedAt);
    endObject(level);
}

void LibraryJsonWriter::writeTake(const Take &take, int level)
{
    beginObject();
    if (take.audioFileName) {
        member("audioFileName", level);
        writeString(*take.audioFileName);
    }
    member("duration", level);
    writeDouble(take.duration);
    member("id", level);
    writeUuid(take.id);
    member("recordedAt", level);
    writeDate(take.recordedAt);
    member("speechIntervals", level);
    writeArray(take.speechIntervals, level + 2,
               [&](const SpeechInterval &interval, int l) { writeSpeechInterval(interval, l); });
    if (take.videoFileName) {
        member("videoFileName", level);
        writeString(*take.videoFileName);
    }
    if (take.words) {
        member("words", level);
        writeArray(*take.words, level + 2, [&](const WordTime &word, int l) { writeWord(word, l); });
    }
    endObject(level);
}

void LibraryJsonWriter::writeSpeechInterval(const SpeechInterval &interval, int level)
{
    beginObject();
    member("end", level);
    writeDouble(interval.end);
    member("start", level);
    writeDouble(interval.start);
    endObject(level);
}

void LibraryJsonWriter::writeWord(const WordTime &word, int level)
{
    beginObject();
    member("end", level);
    writeDouble(word.end);
    member("index", level);
    writeInteger(word.index);
    member("start", level);
    writeDouble(word.start);
    member("text", level);
    writeString(word.text);
    endObject(level);
}

void LibraryJsonWriter::beginObject()
{
    put("{\n", 2);
    m_firstMember = true;
}

void LibraryJsonWriter::member(const char *name, int level)
{
    if (!m_firstMember)
        put(",\n", 2);
    m_firstMember = false;
    indent(level + 1);
    put('"');
    put(name, qsizetype(std::strlen(name)));
    put("\" : ", 4);
}

void LibraryJsonWriter::endObject(int level)
{
    put('\n');
    indent(level);
    put('}');
    // The object that holds this one goes on with its next member.
    m_firstMember = false;
}

// `level` is the level of the items; the brackets stand one level out.
template<typename T, typename Write>
void LibraryJsonWriter::writeArray(const QList<T> &items, int level, Write write)
{
    if (items.isEmpty()) {
        put("[]", 2);
        return;
    }
    put("[\n", 2);
    for (qsizetype i = 0; i < items.size(); ++i) {
        indent(level);
        write(items.at(i), level);
        if (i + 1 < items.size())
            put(",\n", 2);
        else
            put('\n');
    }
    indent(level - 1);
    put(']');
    m_firstMember = false;
}

// appendJsonString's form: UTF-8 with JSON's short escapes, other control
// characters and lone surrogates as lower-case \u escapes.
void LibraryJsonWriter::writeString(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    // At most 6 bytes per code unit (a \u escape).
    char *at = room(2 + 6 * text.size());
    char *const start = at;
    *at++ = '"';
    const char16_t *unit = text.utf16();
    const char16_t *const end = unit + text.size();
    for (; unit < end; ++unit) {
        const char16_t c = *unit;
        if (c < 0x80) {
            if (c >= 0x20 && c != u'"' && c != u'\\') {
                *at++ = char(c);
                continue;
            }
            *at++ = '\\';
            switch (c) {
            case u'"':
                *at++ = '"';
                break;
            case u'\\':
                *at++ = '\\';
                break;
            case u'\n':
                *at++ = 'n';
                break;
            case u'\r':
                *at++ = 'r';
                break;
            case u'\t':
                *at++ = 't';
                break;
            case u'\b':
                *at++ = 'b';
                break;
            case u'\f':
                *at++ = 'f';
                break;
            default:
                *at++ = 'u';
                *at++ = '0';
                *at++ = '0';
                *at++ = hex[c >> 4];
                *at++ = hex[c & 0xF];
            }
        } else if (c < 0x800) {
            *at++ = char(0xC0 | (c >> 6));
            *at++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && unit + 1 < end && QChar::isLowSurrogate(unit[1])) {
            const char32_t code = QChar::surrogateToUcs4(c, unit[1]);
            ++unit;
            *at++ = char(0xF0 | (code >> 18));
            *at++ = char(0x80 | ((code >> 12) & 0x3F));
            *at++ = char(0x80 | ((code >> 6) & 0x3F));
            *at++ = char(0x80 | (code & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *at++ = '\\';
            *at++ = 'u';
            *at++ = hex[c >> 12];
            *at++ = hex[(c >> 8) & 0xF];
            *at++ = hex[(c >> 4) & 0xF];
            *at++ = hex[c & 0xF];
        } else {
            *at++ = char(0xE0 | (c >> 12));
            *at++ = char(0x80 | ((c >> 6) & 0x3F));
            *at++ = char(0x80 | (c & 0x3F));
        }
    }
    *at++ = '"';
    // Give back the room not used.
    m_size -= (2 + 6 * text.size()) - (at - start);
}

// appendJsonNumber's form: a whole number that a qint64 holds as an integer
// (as QJsonValue::toInteger finds it), any other in the shortest text that
// reads back to the same value.
void LibraryJsonWriter::writeDouble(double value)
{
    if (!std::isfinite(value)) {
        m_ok = false;
        return;
    }
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0 && std::trunc(value) == value) {
        writeInteger(qint64(value));
        return;
    }
    char *at = room(32);
    const auto [end, ec] = std::to_chars(at, at + 32, value);
    if (ec != std::errc()) {
        m_ok = false;
        return;
    }
    m_size -= 32 - (end - at);
}

void LibraryJsonWriter::writeInteger(qint64 value)
{
    char *at = room(24);
    const auto [end, ec] = std::to_chars(at, at + 24, value);
    m_size -= 24 - (end - at);
}

// formatLibraryDate's form, from the instant alone: no time zone lookups.
void LibraryJsonWriter::writeDate(const QDateTime &date)
{
    if (!date.isValid()) {
        m_ok = false;
        return;
    }
    const qint64 seconds = floorDiv(date.toMSecsSinceEpoch(), 1000);
    const qint64 days = floorDiv(seconds, 86400);
    const int secondOfDay = int(seconds - days * 86400);
    qint64 year = 0;
    int month = 0, day = 0;
    civilFromDays(days, year, month, day);
    if (year < 1 || year > 9999) {
        m_ok = false;
        return;
    }
    char text[] = "\"0000-00-00T00:00:00Z\"";
    appendDigits(text + 1, int(year), 4);
    appendDigits(text + 6, month, 2);
    appendDigits(text + 9, day, 2);
    appendDigits(text + 12, secondOfDay / 3600, 2);
    appendDigits(text + 15, secondOfDay / 60 % 60, 2);
    appendDigits(text + 18, secondOfDay % 60, 2);
    put(text, 22);
}

// formatLibraryUuid's upper-case 8-4-4-4-12 form.
void LibraryJsonWriter::writeUuid(const QUuid &id)
{
    static const char hex[] = "0123456789ABCDEF";
    char text[38];
    int at = 0;
    text[at++] = '"';
    const auto hexDigits = [&](quint64 value, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            text[at++] = hex[(value >> (4 * i)) & 0xF];
    };
    hexDigits(id.data1, 8);
    text[at++] = '-';
    hexDigits(id.data2, 4);
    text[at++] = '-';
    hexDigits(id.data3, 4);
    text[at++] = '-';
    hexDigits(id.data4[0], 2);
    hexDigits(id.data4[1], 2);
    text[at++] = '-';
    for (int i = 2; i < 8; ++i)
        hexDigits(id.data4[i], 2);
    text[at++] = '"';
    put(text, at);
}

} // namespace tandrel
