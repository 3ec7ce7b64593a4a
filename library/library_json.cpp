#include "library/library_json.h"

#include "library/json_writer.h"
#include "library/library_json_reader.h"
#include "library/library_json_writer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

namespace tandrel {

namespace {

using Kind = LibraryError::Kind;
using Record = LibraryError::Place::Record;

// ---- encoding --------------------------------------------------------------

LibraryResult<QJsonValue> encodeDouble(double value, const QString &name)
{
    if (!std::isfinite(value))
        return LibraryError::ofMember(Kind::numberNotFinite, name);
    return QJsonValue(value);
}

LibraryResult<QJsonValue> encodeDate(const QDateTime &date, const QString &name)
{
    const QString text = formatLibraryDate(date);
    if (text.isEmpty())
        return LibraryError::ofMember(Kind::dateNotWritable, name);
    return QJsonValue(text);
}

// ---- decoding --------------------------------------------------------------

// Reads the members of one JSON object; the first failure is kept in `error`.
class MemberReader
{
public:
    explicit MemberReader(const QJsonObject &object) : m_object(object) { }

    std::optional<LibraryError> error;

    QJsonValue required(const QString &name)
    {
        const QJsonValue value = m_object.value(name);
        if (value.isUndefined())
            fail(LibraryError::ofMember(Kind::memberMissing, name));
        else if (value.isNull())
            fail(LibraryError::ofMember(Kind::memberNull, name));
        return value;
    }

    QString string(const QString &name)
    {
        const QJsonValue value = required(name);
        if (!error && !value.isString())
            wrongType(name);
        return value.toString();
    }

    std::optional<QString> optionalString(const QString &name)
    {
        const QJsonValue value = m_object.value(name);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isString()) {
            wrongType(name);
            return std::nullopt;
        }
        return value.toString();
    }

    double number(const QString &name)
    {
        const QJsonValue value = required(name);
        if (!error && !value.isDouble())
            wrongType(name);
        return value.toDouble();
    }

    qint64 integer(const QString &name)
    {
        const QJsonValue value = required(name);
        // The parser keeps numbers without fraction that fit 64 bits as integers.
        if (!error && (!value.isDouble() || value.toVariant().typeId() != QMetaType::LongLong))
            wrongType(name);
        return value.toInteger();
    }

    // A whole number as it stands (any size a qint64 holds), or a number
    // cut to its whole part; one out of qint64's range is refused.
    qint64 index(const QString &name)
    {
        const QJsonValue value = required(name);
        if (error)
            return 0;
        if (!value.isDouble()) {
            wrongType(name);
            return 0;
        }
        if (value.toVariant().typeId() == QMetaType::LongLong)
            return value.toInteger();
        const double number = value.toDouble();
        if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0)) {
            wrongType(name);
            return 0;
        }
        return qint64(number);
    }

    QUuid uuid(const QString &name)
    {
        static const QRegularExpression form(QStringLiteral(
                "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
        const QString text = string(name);
        if (!error && !form.match(text).hasMatch())
            fail(LibraryError::ofMember(Kind::memberNotUuid, name, text));
        return QUuid::fromString(text);
    }

    QDateTime date(const QString &name)
    {
        const QString text = string(name);
        if (error)
            return {};
        const std::optional<QDateTime> date = parseLibraryDate(text);
        if (!date) {
            fail(LibraryError::ofMember(Kind::memberNotDate, name, text));
            return {};
        }
        return *date;
    }

    QJsonArray array(const QString &name)
    {
        const QJsonValue value = required(name);
        if (!error && !value.isArray())
            wrongType(name);
        return value.toArray();
    }

    std::optional<QJsonArray> optionalArray(const QString &name)
    {
        const QJsonValue value = m_object.value(name);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isArray()) {
            wrongType(name);
            return std::nullopt;
        }
        return value.toArray();
    }

    void fail(LibraryError failure)
    {
        if (!error)
            error = std::move(failure);
    }

private:
    void wrongType(const QString &name) { fail(LibraryError::ofMember(Kind::memberWrongType, name)); }

    const QJsonObject &m_object;
};

} // namespace

QString formatLibraryDate(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    const QDateTime utc = date.toUTC();
    const int year = utc.date().year();
    if (year < 0 || year > 9999)
        return {};
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

std::optional<QDateTime> parseLibraryDate(const QString &text)
{
    static const QRegularExpression form(
            QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})Z$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto part = [&](int i) { return match.capturedView(i).toInt(); };
    const QDate day(part(1), part(2), part(3));
    const QTime time(part(4), part(5), part(6));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(day, time, QTimeZone::utc());
}

QString formatLibraryUuid(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

LibraryResult<QJsonObject> encodeSpeechInterval(const SpeechInterval &interval)
{
    const LibraryResult<QJsonValue> start = encodeDouble(interval.start, QStringLiteral("start"));
    if (!start)
        return start.error();
    const LibraryResult<QJsonValue> end = encodeDouble(interval.end, QStringLiteral("end"));
    if (!end)
        return end.error();
    return QJsonObject{{QStringLiteral("start"), *start}, {QStringLiteral("end"), *end}};
}

LibraryResult<QJsonObject> encodeWordTime(const WordTime &word)
{
    const LibraryResult<QJsonValue> start = encodeDouble(word.start, QStringLiteral("start"));
    if (!start)
        return start.error();
    const LibraryResult<QJsonValue> end = encodeDouble(word.end, QStringLiteral("end"));
    if (!end)
        return end.error();
    return QJsonObject{{QStringLiteral("start"), *start},
                       {QStringLiteral("end"), *end},
                       {QStringLiteral("index"), QJsonValue(word.index)},
                       {QStringLiteral("text"), word.text}};
}

LibraryResult<QJsonObject> encodeTake(const Take &take)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), formatLibraryUuid(take.id));
    const LibraryResult<QJsonValue> recordedAt = encodeDate(take.recordedAt, QStringLiteral("recordedAt"));
    if (!recordedAt)
        return recordedAt.error();
    object.insert(QStringLiteral("recordedAt"), *recordedAt);
    if (take.videoFileName)
        object.insert(QStringLiteral("videoFileName"), *take.videoFileName);
    if (take.audioFileName)
        object.insert(QStringLiteral("audioFileName"), *take.audioFileName);
    const LibraryResult<QJsonValue> duration = encodeDouble(take.duration, QStringLiteral("duration"));
    if (!duration)
        return duration.error();
    object.insert(QStringLiteral("duration"), *duration);
    QJsonArray intervals;
    for (const SpeechInterval &interval : take.speechIntervals) {
        const LibraryResult<QJsonObject> encoded = encodeSpeechInterval(interval);
        if (!encoded)
            return encoded;
        intervals.append(*encoded);
    }
    object.insert(QStringLiteral("speechIntervals"), intervals);
    // Written only once the take is aligned: readers that do not know the
    // key see the take as before.
    if (take.words) {
        QJsonArray words;
        for (const WordTime &word : *take.words) {
            const LibraryResult<QJsonObject> encoded = encodeWordTime(word);
            if (!encoded)
                return encoded;
            words.append(*encoded);
        }
        object.insert(QStringLiteral("words"), words);
    }
    return object;
}

LibraryResult<QJsonObject> encodeReel(const ReelProject &reel)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), formatLibraryUuid(reel.id));
    object.insert(QStringLiteral("prefix"), QJsonValue(reel.prefix));
    object.insert(QStringLiteral("title"), reel.title);
    object.insert(QStringLiteral("script"), reel.script);
    for (const auto &[name, date] : {std::pair{QStringLiteral("createdAt"), reel.createdAt},
                                     std::pair{QStringLiteral("updatedAt"), reel.updatedAt}}) {
        const LibraryResult<QJsonValue> encoded = encodeDate(date, name);
        if (!encoded)
            return encoded.error();
        object.insert(name, *encoded);
    }
    QJsonArray takes;
    for (qsizetype i = 0; i < reel.takes.size(); ++i) {
        const LibraryResult<QJsonObject> encoded = encodeTake(reel.takes.at(i));
        if (!encoded)
            return LibraryError(encoded.error()).inside(Record::take, i + 1);
        takes.append(*encoded);
    }
    object.insert(QStringLiteral("takes"), takes);
    const LibraryResult<QJsonValue> crop = encodeDouble(reel.cropCenterX, QStringLiteral("cropCenterX"));
    if (!crop)
        return crop.error();
    object.insert(QStringLiteral("cropCenterX"), *crop);
    return object;
}

LibraryResult<SpeechInterval> decodeSpeechInterval(const QJsonValue &value)
{
    if (!value.isObject())
        return Kind::intervalNotObject;
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    SpeechInterval interval;
    interval.start = read.number(QStringLiteral("start"));
    interval.end = read.number(QStringLiteral("end"));
    if (read.error)
        return *read.error;
    return interval;
}

LibraryResult<WordTime> decodeWordTime(const QJsonValue &value)
{
    if (!value.isObject())
        return Kind::wordNotObject;
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    WordTime word;
    word.start = read.number(QStringLiteral("start"));
    word.end = read.number(QStringLiteral("end"));
    word.index = read.index(QStringLiteral("index"));
    word.text = read.string(QStringLiteral("text"));
    if (read.error)
        return *read.error;
    return word;
}

LibraryResult<Take> decodeTake(const QJsonValue &value)
{
    if (!value.isObject())
        return Kind::takeNotObject;
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    Take take;
    take.id = read.uuid(QStringLiteral("id"));
    take.recordedAt = read.date(QStringLiteral("recordedAt"));
    take.videoFileName = read.optionalString(QStringLiteral("videoFileName"));
    take.audioFileName = read.optionalString(QStringLiteral("audioFileName"));
    take.duration = read.number(QStringLiteral("duration"));
    if (const std::optional<QJsonArray> intervals = read.optionalArray(QStringLiteral("speechIntervals"))) {
        for (qsizetype i = 0; i < intervals->size() && !read.error; ++i) {
            const LibraryResult<SpeechInterval> interval = decodeSpeechInterval(intervals->at(i));
            if (!interval)
                read.fail(LibraryError(interval.error()).inside(Record::interval, i + 1));
            else
                take.speechIntervals.append(*interval);
        }
    }
    if (const std::optional<QJsonArray> words = read.optionalArray(QStringLiteral("words"))) {
        take.words.emplace();
        for (qsizetype i = 0; i < words->size() && !read.error; ++i) {
            const LibraryResult<WordTime> word = decodeWordTime(words->at(i));
            if (!word)
                read.fail(LibraryError(word.error()).inside(Record::word, i + 1));
            else
                take.words->append(*word);
        }
    }
    if (read.error)
        return *read.error;
    return take;
}

LibraryResult<ReelProject> decodeReel(const QJsonValue &value)
{
    if (!value.isObject())
        return Kind::reelNotObject;
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    ReelProject reel;
    reel.id = read.uuid(QStringLiteral("id"));
    reel.prefix = read.integer(QStringLiteral("prefix"));
    reel.title = read.string(QStringLiteral("title"));
    reel.script = read.string(QStringLiteral("script"));
    reel.createdAt = read.date(QStringLiteral("createdAt"));
    reel.updatedAt = read.date(QStringLiteral("updatedAt"));
    const QJsonArray takes = read.array(QStringLiteral("takes"));
    for (qsizetype i = 0; i < takes.size() && !read.error; ++i) {
        const LibraryResult<Take> take = decodeTake(takes.at(i));
        if (!take)
            read.fail(LibraryError(take.error()).inside(Record::take, i + 1));
        else
            reel.takes.append(*take);
    }
    reel.cropCenterX = read.number(QStringLiteral("cropCenterX"));
    if (read.error)
        return *read.error;
    return reel;
}

QJsonDocument parseLibraryDocument(const QByteArray &bytes, QJsonParseError *error)
{
    // Qt's parser reads a string's bytes with QString::fromUtf8, which takes a
    // U+FEFF opening the string for a byte order mark and drops it; written as
    // an escape it is kept. One opening the file is a byte order mark.
    static constexpr char mark[] = "\xEF\xBB\xBF";
    qsizetype at = bytes.indexOf(mark, 1);
    if (at < 0)
        return QJsonDocument::fromJson(bytes, error);
    QByteArray escaped;
    escaped.reserve(bytes.size() + 64);
    QList<qsizetype> escapesAt; // where each escape starts in `escaped`
    qsizetype from = 0;
    for (; at >= 0; at = bytes.indexOf(mark, from)) {
        escaped.append(bytes.constData() + from, at - from);
        escapesAt.append(escaped.size());
        escaped.append("\\ufeff");
        from = at + 3;
    }
    escaped.append(bytes.constData() + from, bytes.size() - from);
    const QJsonDocument document = QJsonDocument::fromJson(escaped, error);
    if (error && error->error != QJsonParseError::NoError) {
        // The place of a fault in the file as it is, not in the escaped text.
        qsizetype shift = 0;
        for (qsizetype start : escapesAt) {
            if (start >= error->offset)
                break;
            shift += std::min<qsizetype>(error->offset - start, 6) - std::min<qsizetype>(error->offset - start, 3);
        }
        error->offset -= int(shift);
    }
    return document;
}

namespace {

// The library through QJsonObjects and the generic writer: slow, but it
// words why a value cannot be written.
LibraryResult<QByteArray> encodeThroughJsonValues(const QList<ReelProject> &reels)
{
    QJsonArray array;
    for (qsizetype i = 0; i < reels.size(); ++i) {
        const LibraryResult<QJsonObject> encoded = encodeReel(reels.at(i));
        if (!encoded)
            return LibraryError(encoded.error()).inside(Record::reel, i + 1, reels.at(i).displayLabel());
        array.append(*encoded);
    }
    return toPrettyJson(array);
}

// The whole document through QJsonDocument: slow, but it reads every form
// JSON allows and words every failure.
LibraryResult<QList<ReelProject>> decodeThroughDocument(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = parseLibraryDocument(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        LibraryError error(Kind::invalidJson);
        error.position = parseError.offset;
        error.parseError = parseError.error;
        return error;
    }
    if (!document.isArray())
        return Kind::notAList;
    const QJsonArray array = document.array();
    QList<ReelProject> reels;
    reels.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        LibraryResult<ReelProject> reel = decodeReel(array.at(i));
        if (!reel)
            return LibraryError(reel.error()).inside(Record::reel, i + 1);
        reels.append(std::move(reel.value()));
    }
    return reels;
}

} // namespace

LibraryResult<QByteArray> encodeLibrary(const QList<ReelProject> &reels)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::library(reels))
        return std::move(*text);
    return encodeThroughJsonValues(reels);
}

LibraryResult<QList<ReelProject>> decodeLibrary(const QByteArray &bytes)
{
    if (std::optional<QList<ReelProject>> reels = LibraryJsonReader::read(bytes))
        return std::move(*reels);
    return decodeThroughDocument(bytes);
}

LibraryResult<QByteArray> encodeReelText(const ReelProject &reel)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::reel(reel))
        return std::move(*text);
    const LibraryResult<QJsonObject> encoded = encodeReel(reel);
    if (!encoded)
        return encoded.error();
    return toPrettyJson(*encoded);
}

LibraryResult<QByteArray> encodeTakeText(const Take &take)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::take(take))
        return std::move(*text);
    const LibraryResult<QJsonObject> encoded = encodeTake(take);
    if (!encoded)
        return encoded.error();
    return toPrettyJson(*encoded);
}

} // namespace tandrel
