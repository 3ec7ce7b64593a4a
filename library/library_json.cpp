#include "library/library_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tandrel {

namespace {

QString quoted(const QString &name)
{
    return QStringLiteral("„%1“").arg(name);
}

// ---- encoding --------------------------------------------------------------

Result<QJsonValue> encodeDouble(double value, const QString &name)
{
    if (!std::isfinite(value))
        return Result<QJsonValue>::failure(
                QStringLiteral("Der Wert von %1 ist keine endliche Zahl.").arg(quoted(name)));
    return QJsonValue(value);
}

Result<QJsonValue> encodeDate(const QDateTime &date, const QString &name)
{
    const QString text = formatLibraryDate(date);
    if (text.isEmpty())
        return Result<QJsonValue>::failure(
                QStringLiteral("Das Datum in %1 lässt sich nicht schreiben.").arg(quoted(name)));
    return QJsonValue(text);
}

// ---- decoding --------------------------------------------------------------

// Reads the members of one JSON object; the first failure is kept in `error`.
class MemberReader
{
public:
    explicit MemberReader(const QJsonObject &object) : m_object(object) { }

    QString error;

    QJsonValue required(const QString &name)
    {
        const QJsonValue value = m_object.value(name);
        if (value.isUndefined())
            fail(QStringLiteral("Feld %1 fehlt.").arg(quoted(name)));
        else if (value.isNull())
            fail(QStringLiteral("Feld %1 ist leer (null).").arg(quoted(name)));
        return value;
    }

    QString string(const QString &name)
    {
        const QJsonValue value = required(name);
        if (error.isEmpty() && !value.isString())
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
        if (error.isEmpty() && !value.isDouble())
            wrongType(name);
        return value.toDouble();
    }

    qint64 integer(const QString &name)
    {
        const QJsonValue value = required(name);
        // The parser keeps numbers without fraction that fit 64 bits as integers.
        if (error.isEmpty() && (!value.isDouble() || value.toVariant().typeId() != QMetaType::LongLong))
            wrongType(name);
        return value.toInteger();
    }

    QUuid uuid(const QString &name)
    {
        static const QRegularExpression form(QStringLiteral(
                "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
        const QString text = string(name);
        if (error.isEmpty() && !form.match(text).hasMatch())
            fail(QStringLiteral("Feld %1 ist keine gültige UUID: %2").arg(quoted(name), text));
        return QUuid::fromString(text);
    }

    QDateTime date(const QString &name)
    {
        const QString text = string(name);
        if (!error.isEmpty())
            return {};
        const std::optional<QDateTime> date = parseLibraryDate(text);
        if (!date) {
            fail(QStringLiteral("Feld %1 ist kein gültiges Datum: %2").arg(quoted(name), text));
            return {};
        }
        return *date;
    }

    QJsonArray array(const QString &name)
    {
        const QJsonValue value = required(name);
        if (error.isEmpty() && !value.isArray())
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

    void fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
    }

private:
    void wrongType(const QString &name) { fail(QStringLiteral("Feld %1 hat den falschen Typ.").arg(quoted(name))); }

    const QJsonObject &m_object;
};

// ---- writing ---------------------------------------------------------------

void appendIndent(QByteArray &out, int level)
{
    out.append(level * 4, ' ');
}

void appendString(QByteArray &out, const QString &text)
{
    out.append('"');
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out.append(escaped);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

bool appendNumber(QByteArray &out, const QJsonValue &value)
{
    // Integers (and integral doubles, which the JSON value keeps as integers)
    // print exactly; toInteger gives the fallback for anything else.
    constexpr qint64 notAnInteger = std::numeric_limits<qint64>::min();
    const qint64 integer = value.toInteger(notAnInteger);
    const double d = value.toDouble();
    if (integer != notAnInteger || d == double(notAnInteger)) {
        out.append(QByteArray::number(integer));
        return true;
    }
    if (!std::isfinite(d))
        return false;
    char buffer[64];
    // Without a format, to_chars gives the shortest text that reads back exactly.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    if (ec != std::errc())
        return false;
    out.append(buffer, end - buffer);
    return true;
}

bool appendValue(QByteArray &out, const QJsonValue &value, int level)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out.append("null");
        return true;
    case QJsonValue::Bool:
        out.append(value.toBool() ? "true" : "false");
        return true;
    case QJsonValue::Double:
        return appendNumber(out, value);
    case QJsonValue::String:
        appendString(out, value.toString());
        return true;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out.append("[]");
            return true;
        }
        out.append("[\n");
        for (qsizetype i = 0; i < array.size(); ++i) {
            appendIndent(out, level + 1);
            if (!appendValue(out, array.at(i), level + 1))
                return false;
            out.append(i + 1 < array.size() ? ",\n" : "\n");
        }
        appendIndent(out, level);
        out.append(']');
        return true;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out.append("{}");
            return true;
        }
        QList<QPair<QByteArray, QString>> keys;
        for (const QString &key : object.keys())
            keys.append({key.toUtf8(), key});
        // Byte order of the UTF-8 names, whatever order the object keeps.
        std::sort(keys.begin(), keys.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        out.append("{\n");
        for (qsizetype i = 0; i < keys.size(); ++i) {
            appendIndent(out, level + 1);
            appendString(out, keys.at(i).second);
            out.append(" : ");
            if (!appendValue(out, object.value(keys.at(i).second), level + 1))
                return false;
            out.append(i + 1 < keys.size() ? ",\n" : "\n");
        }
        appendIndent(out, level);
        out.append('}');
        return true;
    }
    }
    return false;
}

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

Result<QJsonObject> encodeSpeechInterval(const SpeechInterval &interval)
{
    const Result<QJsonValue> start = encodeDouble(interval.start, QStringLiteral("start"));
    if (!start)
        return Result<QJsonObject>::failure(start.error());
    const Result<QJsonValue> end = encodeDouble(interval.end, QStringLiteral("end"));
    if (!end)
        return Result<QJsonObject>::failure(end.error());
    return QJsonObject{{QStringLiteral("start"), *start}, {QStringLiteral("end"), *end}};
}

Result<QJsonObject> encodeTake(const Take &take)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), formatLibraryUuid(take.id));
    const Result<QJsonValue> recordedAt = encodeDate(take.recordedAt, QStringLiteral("recordedAt"));
    if (!recordedAt)
        return Result<QJsonObject>::failure(recordedAt.error());
    object.insert(QStringLiteral("recordedAt"), *recordedAt);
    if (take.videoFileName)
        object.insert(QStringLiteral("videoFileName"), *take.videoFileName);
    if (take.audioFileName)
        object.insert(QStringLiteral("audioFileName"), *take.audioFileName);
    const Result<QJsonValue> duration = encodeDouble(take.duration, QStringLiteral("duration"));
    if (!duration)
        return Result<QJsonObject>::failure(duration.error());
    object.insert(QStringLiteral("duration"), *duration);
    QJsonArray intervals;
    for (const SpeechInterval &interval : take.speechIntervals) {
        const Result<QJsonObject> encoded = encodeSpeechInterval(interval);
        if (!encoded)
            return encoded;
        intervals.append(*encoded);
    }
    object.insert(QStringLiteral("speechIntervals"), intervals);
    return object;
}

Result<QJsonObject> encodeReel(const ReelProject &reel)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), formatLibraryUuid(reel.id));
    object.insert(QStringLiteral("prefix"), QJsonValue(reel.prefix));
    object.insert(QStringLiteral("title"), reel.title);
    object.insert(QStringLiteral("script"), reel.script);
    for (const auto &[name, date] : {std::pair{QStringLiteral("createdAt"), reel.createdAt},
                                     std::pair{QStringLiteral("updatedAt"), reel.updatedAt}}) {
        const Result<QJsonValue> encoded = encodeDate(date, name);
        if (!encoded)
            return Result<QJsonObject>::failure(encoded.error());
        object.insert(name, *encoded);
    }
    QJsonArray takes;
    for (qsizetype i = 0; i < reel.takes.size(); ++i) {
        const Result<QJsonObject> encoded = encodeTake(reel.takes.at(i));
        if (!encoded)
            return Result<QJsonObject>::failure(QStringLiteral("Take %1: %2").arg(i + 1).arg(encoded.error()));
        takes.append(*encoded);
    }
    object.insert(QStringLiteral("takes"), takes);
    const Result<QJsonValue> crop = encodeDouble(reel.cropCenterX, QStringLiteral("cropCenterX"));
    if (!crop)
        return Result<QJsonObject>::failure(crop.error());
    object.insert(QStringLiteral("cropCenterX"), *crop);
    return object;
}

Result<SpeechInterval> decodeSpeechInterval(const QJsonValue &value)
{
    if (!value.isObject())
        return Result<SpeechInterval>::failure(QStringLiteral("Ein Sprechabschnitt ist kein Objekt."));
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    SpeechInterval interval;
    interval.start = read.number(QStringLiteral("start"));
    interval.end = read.number(QStringLiteral("end"));
    if (!read.error.isEmpty())
        return Result<SpeechInterval>::failure(read.error);
    return interval;
}

Result<Take> decodeTake(const QJsonValue &value)
{
    if (!value.isObject())
        return Result<Take>::failure(QStringLiteral("Der Take ist kein Objekt."));
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    Take take;
    take.id = read.uuid(QStringLiteral("id"));
    take.recordedAt = read.date(QStringLiteral("recordedAt"));
    take.videoFileName = read.optionalString(QStringLiteral("videoFileName"));
    take.audioFileName = read.optionalString(QStringLiteral("audioFileName"));
    take.duration = read.number(QStringLiteral("duration"));
    if (const std::optional<QJsonArray> intervals = read.optionalArray(QStringLiteral("speechIntervals"))) {
        for (qsizetype i = 0; i < intervals->size() && read.error.isEmpty(); ++i) {
            const Result<SpeechInterval> interval = decodeSpeechInterval(intervals->at(i));
            if (!interval)
                read.fail(QStringLiteral("Sprechabschnitt %1: %2").arg(i + 1).arg(interval.error()));
            else
                take.speechIntervals.append(*interval);
        }
    }
    if (!read.error.isEmpty())
        return Result<Take>::failure(read.error);
    return take;
}

Result<ReelProject> decodeReel(const QJsonValue &value)
{
    if (!value.isObject())
        return Result<ReelProject>::failure(QStringLiteral("Das Reel ist kein Objekt."));
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
    for (qsizetype i = 0; i < takes.size() && read.error.isEmpty(); ++i) {
        const Result<Take> take = decodeTake(takes.at(i));
        if (!take)
            read.fail(QStringLiteral("Take %1: %2").arg(i + 1).arg(take.error()));
        else
            reel.takes.append(*take);
    }
    reel.cropCenterX = read.number(QStringLiteral("cropCenterX"));
    if (!read.error.isEmpty())
        return Result<ReelProject>::failure(read.error);
    return reel;
}

Result<QByteArray> toPrettyJson(const QJsonValue &value)
{
    QByteArray out;
    if (!appendValue(out, value, 0))
        return Result<QByteArray>::failure(QStringLiteral("Eine Zahl ist nicht endlich."));
    out.append('\n');
    return out;
}

Result<QByteArray> encodeLibrary(const QList<ReelProject> &reels)
{
    QJsonArray array;
    for (qsizetype i = 0; i < reels.size(); ++i) {
        const Result<QJsonObject> encoded = encodeReel(reels.at(i));
        if (!encoded)
            return Result<QByteArray>::failure(
                    QStringLiteral("Reel %1 (%2): %3")
                            .arg(i + 1)
                            .arg(reels.at(i).displayLabel(), encoded.error()));
        array.append(*encoded);
    }
    return toPrettyJson(array);
}

Result<QList<ReelProject>> decodeLibrary(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Result<QList<ReelProject>>::failure(QStringLiteral("Ungültiges JSON an Position %1 (%2).")
                                                           .arg(parseError.offset)
                                                           .arg(parseError.errorString()));
    if (!document.isArray())
        return Result<QList<ReelProject>>::failure(QStringLiteral("Die Datei enthält keine Liste von Reels."));
    const QJsonArray array = document.array();
    QList<ReelProject> reels;
    reels.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        Result<ReelProject> reel = decodeReel(array.at(i));
        if (!reel)
            return Result<QList<ReelProject>>::failure(QStringLiteral("Reel %1: %2").arg(i + 1).arg(reel.error()));
        reels.append(std::move(reel.value()));
    }
    return reels;
}

Result<QByteArray> encodeReelText(const ReelProject &reel)
{
    const Result<QJsonObject> encoded = encodeReel(reel);
    if (!encoded)
        return Result<QByteArray>::failure(encoded.error());
    return toPrettyJson(*encoded);
}

Result<QByteArray> encodeTakeText(const Take &take)
{
    const Result<QJsonObject> encoded = encodeTake(take);
    if (!encoded)
        return Result<QByteArray>::failure(encoded.error());
    return toPrettyJson(*encoded);
}

} // namespace tandrel
