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

// Bytes a record takes in the text at the indentation of a library file,
// a little more for plain ASCII texts: the text is written into one buffer
// of this size, grown only for texts with many escapes or other letters.
qsizetype sizeEstimate(const Take &take)
{
    qsizetype size = 560 + take.speechIntervals.size() * 160;
    size += take.videoFileName ? take.videoFileName->size() : 0;
    size += take.audioFileName ? take.audioFileName->size() : 0;
    if (take.words) {
        for (const WordTime &word : *take.words)
            size += 260 + word.text.size();
    }
    return size;
}

qsizetype sizeEstimate(const ReelProject &reel)
{
    qsizetype size = 480 + reel.title.size() + reel.script.size();
    for (const Take &take : reel.takes)
        size += sizeEstimate(take);
    return size;
}

// 10 to the powers 0 to 22, all exact as doubles.
constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

// Needs room for max(level * 4, 32) bytes: an indentation up to that is
// copied in one fixed-size piece, of which only level * 4 bytes are kept.
char *LibraryJsonWriter::indent(char *at, int level)
{
    static constexpr char blanks[] = "                                ";
    constexpr qsizetype blankCount = sizeof blanks - 1;
    qsizetype count = level * 4;
    for (; count > blankCount; count -= blankCount)
        at = std::copy_n(blanks, blankCount, at);
    std::memcpy(at, blanks, blankCount);
    return at + count;
}

// The room asked for at once: ",\n", the indentation, the quoted name and " : ".
template<qsizetype N> void LibraryJsonWriter::member(const char (&name)[N], int level)
{
    constexpr qsizetype nameSize = N - 1;
    char *at = room(2 + std::max((level + 1) * 4, 32) + nameSize + 6);
    if (!m_firstMember) {
        *at++ = ',';
        *at++ = '\n';
    }
    m_firstMember = false;
    at = indent(at, level + 1);
    *at++ = '"';
    at = std::copy_n(name, nameSize, at);
    giveBack(std::copy_n("\" : ", 4, at));
}

std::optional<QByteArray> LibraryJsonWriter::library(const QList<ReelProject> &reels)
{
    qsizetype size = 16;
    for (const ReelProject &reel : reels)
        size += sizeEstimate(reel);
    LibraryJsonWriter writer(size);
    writer.writeArray(reels, 1, [&](const ReelProject &reel, int level) { writer.writeReel(reel, level); });
    return writer.finish();
}

std::optional<QByteArray> LibraryJsonWriter::reel(const ReelProject &reel)
{
    LibraryJsonWriter writer(sizeEstimate(reel));
    writer.writeReel(reel, 0);
    return writer.finish();
}

std::optional<QByteArray> LibraryJsonWriter::take(const Take &take)
{
    LibraryJsonWriter writer(sizeEstimate(take));
    writer.writeTake(take, 0);
    return writer.finish();
}

LibraryJsonWriter::LibraryJsonWriter(qsizetype reserve)
{
    m_out.resize(reserve);
    m_at = m_out.data();
    m_end = m_at + m_out.size();
}

std::optional<QByteArray> LibraryJsonWriter::finish()
{
    put('\n');
    if (!m_ok)
        return std::nullopt;
    m_out.truncate(m_at - m_out.constData());
    return std::move(m_out);
}

void LibraryJsonWriter::grow(qsizetype count)
{
    const qsizetype used = m_at - m_out.constData();
    m_out.resize(std::max(m_out.size() * 2, used + count));
    m_at = m_out.data() + used;
    m_end = m_out.data() + m_out.size();
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
    *at++ = '"';
    const char16_t *unit = text.utf16();
    const char16_t *const end = unit + text.size();
    while (unit < end) {
        // Most of a text is printable ASCII that stands as it is.
        while (unit < end && *unit >= 0x20 && *unit < 0x80 && *unit != u'"' && *unit != u'\\')
            *at++ = char(*unit++);
        if (unit == end)
            break;
        const char16_t c = *unit++;
        if (c < 0x80) {
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
        } else if (QChar::isHighSurrogate(c) && unit < end && QChar::isLowSurrogate(*unit)) {
            const char32_t code = QChar::surrogateToUcs4(c, *unit++);
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
    giveBack(at);
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
    if (char *end = writeShortFraction(at, value)) {
        giveBack(end);
        return;
    }
    const auto [end, ec] = std::to_chars(at, at + 32, value);
    if (ec != std::errc()) {
        m_ok = false;
        return;
    }
    giveBack(end);
}

// The common case of writeDouble without the general algorithm: a number
// from 0.01 to 10^14 whose shortest form has at most 15 significant digits.
// Its digits are those of the value rounded to 15 significant digits, less
// the trailing zeros: a step of 10^-k between such numbers is wider than
// the value's rounding interval, so at most one of them reads back to the
// value, and if one does, any shorter one would be it. Whether it reads
// back is decided exactly: n / 10^k with both exact doubles is rounded once,
// as a reader rounds the text. In this range the plain form is shorter than
// one with an exponent, so it is the one std::to_chars chooses. Null for
// any other number.
char *LibraryJsonWriter::writeShortFraction(char *at, double value)
{
    const double magnitude = std::abs(value);
    if (!(magnitude >= 0.01 && magnitude < 1e14))
        return nullptr;
    // Digits before the point; 0 below 1, -1 below 0.1.
    int whole = magnitude < 0.1 ? -1 : 0;
    while (whole >= 0 && magnitude >= powersOfTen[whole])
        ++whole;
    const int fraction = 15 - whole;
    // Rounded to the nearest whole number; a wrong rounding of a half could
    // only make the check below fail, never pass.
    const quint64 digits = quint64(magnitude * powersOfTen[fraction] + 0.5);
    if (double(digits) / powersOfTen[fraction] != magnitude)
        return nullptr;
    if (value < 0)
        *at++ = '-';
    const quint64 scale = quint64(powersOfTen[fraction]);
    at = std::to_chars(at, at + 24, digits / scale).ptr;
    // The fraction with its leading zeros: scale + rest is a one and then
    // exactly `fraction` digits; the one becomes the point.
    char *const point = at;
    at = std::to_chars(at, at + 24, scale + digits % scale).ptr;
    *point = '.';
    while (at[-1] == '0')
        --at;
    // A whole number never gets here, so a digit other than zero is left.
    return at;
}

void LibraryJsonWriter::writeInteger(qint64 value)
{
    char *at = room(24);
    giveBack(std::to_chars(at, at + 24, value).ptr);
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
