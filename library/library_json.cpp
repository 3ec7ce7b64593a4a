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

    // A whole number as it stands (any size a qint64 holds), or a number
    // cut to its whole part; one out of qint64's range is refused.
    qint64 index(const QString &name)
    {
        const QJsonValue value = required(name);
        if (!error.isEmpty())
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
    void wrongType(const QString &name)
    {
        fail(QStringLiteral("Feld %1 hat den falschen Typ.").arg(quoted(name)));
    }

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

Result<QJsonObject> encodeWordTime(const WordTime &word)
{
    const Result<QJsonValue> start = encodeDouble(word.start, QStringLiteral("start"));
    if (!start)
        return Result<QJsonObject>::failure(start.error());
    const Result<QJsonValue> end = encodeDouble(word.end, QStringLiteral("end"));
    if (!end)
        return Result<QJsonObject>::failure(end.error());
    return QJsonObject{{QStringLiteral("start"), *start},
                       {QStringLiteral("end"), *end},
                       {QStringLiteral("index"), QJsonValue(word.index)},
                       {QStringLiteral("text"), word.text}};
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
    // Written only once the take is aligned: readers that do not know the
    // key see the take as before.
    if (take.words) {
        QJsonArray words;
        for (const WordTime &word : *take.words) {
            const Result<QJsonObject> encoded = encodeWordTime(word);
            if (!encoded)
                return encoded;
            words.append(*encoded);
        }
        object.insert(QStringLiteral("words"), words);
    }
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
            return Result<QJsonObject>::failure(
                    QStringLiteral("Take %1: %2").arg(i + 1).arg(encoded.error()));
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

Result<WordTime> decodeWordTime(const QJsonValue &value)
{
    if (!value.isObject())
        return Result<WordTime>::failure(QStringLiteral("Ein Wort ist kein Objekt."));
    const QJsonObject object = value.toObject();
    MemberReader read(object);
    WordTime word;
    word.start = read.number(QStringLiteral("start"));
    word.end = read.number(QStringLiteral("end"));
    word.index = read.index(QStringLiteral("index"));
    word.text = read.string(QStringLiteral("text"));
    if (!read.error.isEmpty())
        return Result<WordTime>::failure(read.error);
    return word;
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
    if (const std::optional<QJsonArray> words = read.optionalArray(QStringLiteral("words"))) {
        take.words.emplace();
        for (qsizetype i = 0; i < words->size() && read.error.isEmpty(); ++i) {
            const Result<WordTime> word = decodeWordTime(words->at(i));
            if (!word)
                read.fail(QStringLiteral("Wort %1: %2").arg(i + 1).arg(word.error()));
            else
                take.words->append(*word);
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

namespace {

// The library through QJsonObjects and the generic writer: slow, but it
// words why a value cannot be written.
Result<QByteArray> encodeThroughJsonValues(const QList<ReelProject> &reels)
{
    QJsonArray array;
    for (qsizetype i = 0; i < reels.size(); ++i) {
        const Result<QJsonObject> encoded = encodeReel(reels.at(i));
        if (!encoded)
            return Result<QByteArray>::failure(QStringLiteral("Reel %1 (%2): %3")
                                                       .arg(i + 1)
                                                       .arg(reels.at(i).displayLabel(), encoded.error()));
        array.append(*encoded);
    }
    return toPrettyJson(array);
}

// QJsonParseError's English texts in German.
QString parseErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::NoError: return {};
    case QJsonParseError::UnterminatedObject: return QStringLiteral("Objekt nicht abgeschlossen");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("Doppelpunkt fehlt");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("Liste nicht abgeschlossen");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("Komma fehlt");
    case QJsonParseError::IllegalValue: return QStringLiteral("ungültiger Wert");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("Ende mitten in einer Zahl");
    case QJsonParseError::IllegalNumber: return QStringLiteral("ungültige Zahl");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("ungültige Escape-Sequenz");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("ungültiges UTF-8");
    case QJsonParseError::UnterminatedString: return QStringLiteral("Zeichenkette nicht abgeschlossen");
    case QJsonParseError::MissingObject: return QStringLiteral("Objekt erwartet");
    case QJsonParseError::DeepNesting: return QStringLiteral("zu tief verschachtelt");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("Dokument zu groß");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("überzählige Zeichen am Ende");
    }
    return QStringLiteral("unbekannter Fehler");
}

// The whole document through QJsonDocument: slow, but it reads every form
// JSON allows and words every failure.
Result<QList<ReelProject>> decodeThroughDocument(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Result<QList<ReelProject>>::failure(QStringLiteral("Ungültiges JSON an Position %1 (%2).")
                                                           .arg(parseError.offset)
                                                           .arg(parseErrorText(parseError.error)));
    if (!document.isArray())
        return Result<QList<ReelProject>>::failure(
                QStringLiteral("Die Datei enthält keine Liste von Reels."));
    const QJsonArray array = document.array();
    QList<ReelProject> reels;
    reels.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        Result<ReelProject> reel = decodeReel(array.at(i));
        if (!reel)
            return Result<QList<ReelProject>>::failure(
                    QStringLiteral("Reel %1: %2").arg(i + 1).arg(reel.error()));
        reels.append(std::move(reel.value()));
    }
    return reels;
}

} // namespace

Result<QByteArray> encodeLibrary(const QList<ReelProject> &reels)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::library(reels))
        return std::move(*text);
    return encodeThroughJsonValues(reels);
}

Result<QList<ReelProject>> decodeLibrary(const QByteArray &bytes)
{
    if (std::optional<QList<ReelProject>> reels = LibraryJsonReader::read(bytes))
        return std::move(*reels);
    return decodeThroughDocument(bytes);
}

Result<QByteArray> encodeReelText(const ReelProject &reel)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::reel(reel))
        return std::move(*text);
    const Result<QJsonObject> encoded = encodeReel(reel);
    if (!encoded)
        return Result<QByteArray>::failure(encoded.error());
    return toPrettyJson(*encoded);
}

Result<QByteArray> encodeTakeText(const Take &take)
{
    if (std::optional<QByteArray> text = LibraryJsonWriter::take(take))
        return std::move(*text);
    const Result<QJsonObject> encoded = encodeTake(take);
    if (!encoded)
        return Result<QByteArray>::failure(encoded.error());
    return toPrettyJson(*encoded);
}

} // namespace tandrel
