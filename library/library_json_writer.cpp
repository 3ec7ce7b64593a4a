#include "library/library_json_writer.h"

#include "library/json_writer.h"

#include <QJsonValue>
#include <cmath>

namespace tandrel {

namespace {

void appendIndent(QByteArray &out, int level)
{
    out.append(level * 4, ' ');
}

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
    writer.m_out.append('\n');
    if (!writer.m_ok)
        return std::nullopt;
    return std::move(writer.m_out);
}

std::optional<QByteArray> LibraryJsonWriter::reel(const ReelProject &reel)
{
    LibraryJsonWriter writer(2048);
    writer.writeReel(reel, 0);
    writer.m_out.append('\n');
    if (!writer.m_ok)
        return std::nullopt;
    return std::move(writer.m_out);
}

std::optional<QByteArray> LibraryJsonWriter::take(const Take &take)
{
    LibraryJsonWriter writer(1024);
    writer.writeTake(take, 0);
    writer.m_out.append('\n');
    if (!writer.m_ok)
        return std::nullopt;
    return std::move(writer.m_out);
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
    m_out.append("{\n");
    m_firstMember = true;
}

void LibraryJsonWriter::member(const char *name, int level)
{
    if (!m_firstMember)
        m_out.append(",\n");
    m_firstMember = false;
    appendIndent(m_out, level + 1);
    m_out.append('"').append(name).append("\" : ");
}

void LibraryJsonWriter::endObject(int level)
{
    m_out.append('\n');
    appendIndent(m_out, level);
    m_out.append('}');
    // The object that holds this one goes on with its next member.
    m_firstMember = false;
}

// `level` is the level of the items; the brackets stand one level out.
template<typename T, typename Write>
void LibraryJsonWriter::writeArray(const QList<T> &items, int level, Write write)
{
    if (items.isEmpty()) {
        m_out.append("[]");
        return;
    }
    m_out.append("[\n");
    for (qsizetype i = 0; i < items.size(); ++i) {
        appendIndent(m_out, level);
        write(items.at(i), level);
        m_out.append(i + 1 < items.size() ? ",\n" : "\n");
    }
    appendIndent(m_out, level - 1);
    m_out.append(']');
    m_firstMember = false;
}

void LibraryJsonWriter::writeString(QStringView text)
{
    appendJsonString(m_out, text);
}

void LibraryJsonWriter::writeDouble(double value)
{
    // Through a JSON value, so that integral numbers print as the generic
    // writer prints them.
    if (!std::isfinite(value) || !appendJsonNumber(m_out, QJsonValue(value)))
        m_ok = false;
}

void LibraryJsonWriter::writeInteger(qint64 value)
{
    appendJsonNumber(m_out, QJsonValue(value));
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
    m_out.append(text, 22);
}

// formatLibraryUuid's upper-case 8-4-4-4-12 form.
void LibraryJsonWriter::writeUuid(const QUuid &id)
{
    static const char hex[] = "0123456789ABCDEF";
    char text[38];
    int at = 0;
    text[at++] = '"';
    const auto put = [&](quint64 value, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            text[at++] = hex[(value >> (4 * i)) & 0xF];
    };
    put(id.data1, 8);
    text[at++] = '-';
    put(id.data2, 4);
    text[at++] = '-';
    put(id.data3, 4);
    text[at++] = '-';
    put(id.data4[0], 2);
    put(id.data4[1], 2);
    text[at++] = '-';
    for (int i = 2; i < 8; ++i)
        put(id.data4[i], 2);
    text[at++] = '"';
    m_out.append(text, at);
}

} // namespace tandrel
