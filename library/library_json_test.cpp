#include "library/json_writer.h"
#include "library/library_json.h"
#include "library/library_json_reader.h"
#include "tests/support/rich_library.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimeZone>
#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace tandrel;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

ReelProject sampleReel()
{
    const Take take{.id = QUuid::fromString("6f1c2b9e-1d2a-4c3b-9a8e-7f6d5c4b3a21"),
                    .recordedAt = utc(2025, 3, 1, 9, 30, 15, 789),
                    .videoFileName = "20250301-103015-video.mov",
                    .audioFileName = "20250301-103015-audio.m4a",
                    .duration = 12.345678901234,
                    .speechIntervals = {{0.1, 1.0 / 3}, {2.5, 7.25}},
                    .words = std::nullopt};
    return {.id = QUuid::fromString("0b9f0c4e-5a6d-4e7f-8a9b-0c1d2e3f4a5b"),
            .prefix = 12,
            .title = "Intro \"mit\" Ümlaut\tund Tab",
            .script = "Zeile eins\r\nZeile zwei \\ Ende\x01 / 🎬",
            .createdAt = utc(2025, 2, 28, 23, 59, 59),
            .updatedAt = utc(2025, 3, 1, 10, 0, 0, 500),
            .takes = {take},
            .cropCenterX = 0.42};
}

// The member names in the order they appear in the text.
QStringList memberOrder(const QByteArray &text)
{
    static const QRegularExpression member("\"(\\w+)\" :");
    QStringList names;
    for (const auto &m : member.globalMatch(QString::fromUtf8(text)))
        names.append(m.captured(1));
    return names;
}

QByteArray withMember(const QByteArray &libraryText, const QString &path, const QJsonValue &value)
{
    QJsonArray array = QJsonDocument::fromJson(libraryText).array();
    QJsonObject reel = array.at(0).toObject();
    if (path.startsWith(QLatin1String("take."))) {
        QJsonArray takes = reel.value("takes").toArray();
        QJsonObject take = takes.at(0).toObject();
        if (value.isUndefined())
            take.remove(path.mid(5));
        else
            take.insert(path.mid(5), value);
        takes[0] = take;
        reel.insert("takes", takes);
    } else if (value.isUndefined()) {
        reel.remove(path);
    } else {
        reel.insert(path, value);
    }
    array[0] = reel;
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// The library as the document parser and the per-record decoder read it:
// what decodeLibrary did before it had a reader of its own.
std::optional<QList<ReelProject>> readThroughDocument(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = parseLibraryDocument(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<ReelProject> reels;
    for (const QJsonValue &value : document.array()) {
        const LibraryResult<ReelProject> reel = decodeReel(value);
        if (!reel)
            return std::nullopt;
        reels.append(*reel);
    }
    return reels;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// tests/data/library-format.json was written by the generic writer
// (QJsonObject values through toPrettyJson): the library's own writer keeps
// that file's every byte.
TEST(LibraryJson, TheFileFormatStaysByteForByte)
{
    const QList<ReelProject> reels = tandrel::testing::richLibrary();
    const QByteArray expected = readFile(QStringLiteral(TANDREL_TEST_DATA "/library-format.json"));
    ASSERT_FALSE(expected.isEmpty());
    const LibraryResult<QByteArray> written = encodeLibrary(reels);
    ASSERT_TRUE(written.ok()) << int(written.error().kind);
    EXPECT_EQ(*written, expected);

    QJsonArray generic;
    for (const ReelProject &reel : reels) {
        generic.append(*encodeReel(reel));
        EXPECT_EQ(*encodeReelText(reel), *toPrettyJson(*encodeReel(reel))) << qPrintable(reel.title);
        for (const Take &take : reel.takes)
            EXPECT_EQ(*encodeTakeText(take), *toPrettyJson(*encodeTake(take)));
    }
    EXPECT_EQ(*written, *toPrettyJson(generic));

    // Read back by both readers alike, and written again unchanged.
    const std::optional<QList<ReelProject>> quick = LibraryJsonReader::read(expected);
    ASSERT_TRUE(quick.has_value()) << "the library's own file is read without the document";
    EXPECT_EQ(quick, readThroughDocument(expected));
    EXPECT_EQ(*encodeLibrary(*quick), expected);
}

// The quick reader takes a file only where it reads it as the document
// reader does; everything else goes to the document reader, which words the
// failure.
TEST(LibraryJson, TheQuickReaderReadsExactlyWhatTheDocumentReaderReads)
{
    const QByteArray pretty = *encodeLibrary(tandrel::testing::richLibrary());
    const QByteArray compact = QJsonDocument::fromJson(pretty).toJson(QJsonDocument::Compact);
    const QByteArray reel = QJsonDocument(QJsonDocument::fromJson(pretty).array().at(1).toObject())
                                    .toJson(QJsonDocument::Compact);
    const auto withReel = [&](QByteArray text) { return "[" + text + "]"; };
    const auto replaced
            = [&](const char *from, const char *to) { return withReel(QByteArray(reel).replace(from, to)); };
    const struct
    {
        const char *name;
        QByteArray text;
        bool quick; // read by the quick reader itself
    } cases[] = {
            {"pretty", pretty, true},
            {"compact", compact, true},
            {"blanks everywhere",
             " \t\r\n" + QByteArray(compact).replace(",\"", " ,\n\t\"").replace("\":", "\" :\r\n ") + "\n ",
             true},
            {"unknown members of every kind",
             replaced("{\"createdAt\"",
                      "{\"x\":[1,-2.5e+3,true,false,null,{\"y\":\"\\u00fc\"}],\"createdAt\""),
             true},
            {"escaped member name", replaced("\"title\"", "\"t\\u0069tle\""), true},
            {"escaped slash", replaced("\"title\":\"\"", "\"title\":\"a\\/b\""), true},
            {"empty list", "[]", true},
            {"prefix as a fraction", replaced("\"prefix\":9223372036854775807", "\"prefix\":1.0"), false},
            {"prefix with exponent", replaced("\"prefix\":9223372036854775807", "\"prefix\":1e2"), false},
            {"prefix past 64 bits",
             replaced("\"prefix\":9223372036854775807", "\"prefix\":9223372036854775808"), false},
            {"crop as exponent", replaced("\"cropCenterX\":0", "\"cropCenterX\":25E-2"), true},
            {"negative zero", replaced("\"cropCenterX\":0", "\"cropCenterX\":-0"), true},
            {"negative zero fraction", replaced("\"cropCenterX\":0", "\"cropCenterX\":-0.0"), true},
            {"fraction of 15 digits", replaced("\"cropCenterX\":0", "\"cropCenterX\":-0.000123456789012345"),
             true},
            {"fraction of 17 digits", replaced("\"cropCenterX\":0", "\"cropCenterX\":21.299999999999997"),
             true},
            {"whole number of 19 digits",
             replaced("\"cropCenterX\":0", "\"cropCenterX\":1234567890123456789"), true},
            {"text with escapes and letters past eight bytes",
             replaced("\"title\":\"\"", "\"title\":\"abcdefghij\\\"kl\\u00fcmnopq\xC3\xBCrstuvw\x7Fxyz\""),
             true},
            {"control character past eight bytes", replaced("\"title\":\"\"", "\"title\":\"abcdefghi\x1Fj\""),
             false},
            {"byte order marks inside strings",
             replaced("\"title\":\"\"",
                      "\"title\":\"\xEF\xBB\xBF"
                      "a\\n\xEF\xBB\xBF\xEF\xBB\xBF"
                      "b\""),
             true},
            {"byte order mark opening a string without escapes",
             replaced("\"title\":\"\"", "\"title\":\"\xEF\xBB\xBF" "ab\""), true},
            {"spaces around the colon", replaced("\"title\":", "\"title\"  :\t"), true},
            {"duplicate member", replaced("\"title\":\"\"", "\"title\":\"a\",\"title\":\"b\""), false},
            {"leading zero", replaced("\"cropCenterX\":0", "\"cropCenterX\":01"), false},
            {"fraction without digits", replaced("\"cropCenterX\":0", "\"cropCenterX\":1."), false},
            {"huge number", replaced("\"cropCenterX\":0", "\"cropCenterX\":1e999"), false},
            {"byte order mark", "\xEF\xBB\xBF" + compact, false},
            {"invalid UTF-8", replaced("\"title\":\"\"", "\"title\":\"\xC3\x28\""), false},
            {"overlong UTF-8", replaced("\"title\":\"\"", "\"title\":\"\xC0\xAF\""), false},
            {"encoded surrogate", replaced("\"title\":\"\"", "\"title\":\"\xED\xA0\x80\""), false},
            {"noncharacter", replaced("\"title\":\"\"", "\"title\":\"\xEF\xBF\xBF\""), false},
            {"raw control character", replaced("\"title\":\"\"", "\"title\":\"\x01\""), false},
            {"unknown escape", replaced("\"title\":\"\"", "\"title\":\"\\x\""), false},
            {"garbage at the end", compact + "x", false},
            {"two documents", compact + compact, false},
            {"object at the top", reel, false},
            {"missing member", replaced("\"cropCenterX\":0,", ""), false},
            {"null title", replaced("\"title\":\"\"", "\"title\":null"), false},
            {"take that is no object", replaced("\"takes\":[]", "\"takes\":[1]"), false},
            {"trailing comma", replaced("\"takes\":[]", "\"takes\":[],"), false},
            {"cut short", compact.left(compact.size() / 2), false},
            {"empty", "", false},
    };
    for (const auto &c : cases) {
        const std::optional<QList<ReelProject>> quick = LibraryJsonReader::read(c.text);
        EXPECT_EQ(quick.has_value(), c.quick) << c.name;
        const std::optional<QList<ReelProject>> document = readThroughDocument(c.text);
        if (quick) {
            EXPECT_EQ(quick, document) << c.name;
        }
        const LibraryResult<QList<ReelProject>> decoded = decodeLibrary(c.text);
        EXPECT_EQ(decoded.ok(), document.has_value())
                << c.name << ": " << (decoded.ok() ? -1 : int(decoded.error().kind));
        if (decoded.ok() && document) {
            EXPECT_EQ(*decoded, *document) << c.name;
        }
    }
    // Qt's parser alone drops a U+FEFF opening a string; a file that only the
    // document reader reads keeps it too.
    const LibraryResult<QList<ReelProject>> slow = decodeLibrary(withReel(
            QByteArray(reel).replace("\"title\":\"\"", "\"title\":\"\xEF\xBB\xBF" "ab\"").replace(
                    "\"prefix\":9223372036854775807", "\"prefix\":1.0")));
    ASSERT_TRUE(slow.ok());
    EXPECT_EQ(slow->at(0).title, QStringLiteral(u"\uFEFFab"));
}

// A broken file is refused with what and where, as before the library had
// its own reader.
TEST(LibraryJson, BrokenFilesSayWhatAndWhere)
{
    const QByteArray reel
            = QJsonDocument(QJsonDocument::fromJson(*encodeLibrary(tandrel::testing::richLibrary()))
                                    .array()
                                    .at(0)
                                    .toObject())
                      .toJson(QJsonDocument::Compact);
    const auto withReel = [&](const char *from, const char *to) {
        return "[" + QByteArray(reel).replace(from, to) + "]";
    };
    using Kind = LibraryError::Kind;
    using Record = LibraryError::Place::Record;
    const auto syntax = [](qint64 position, QJsonParseError::ParseError parseError) {
        LibraryError error(Kind::invalidJson);
        error.position = position;
        error.parseError = parseError;
        return error;
    };
    const auto member = [](Kind kind, const char *name, QList<LibraryError::Place> places,
                           QString value = {}) {
        LibraryError error = LibraryError::ofMember(kind, QString::fromLatin1(name), std::move(value));
        error.places = std::move(places);
        return error;
    };
    LibraryError reelNotObject(Kind::reelNotObject);
    reelNotObject.places = {{Record::reel, 1}};
    const struct
    {
        QByteArray text;
        LibraryError error;
    } cases[] = {
            {"[{\"id\" 1}]", syntax(8, QJsonParseError::MissingNameSeparator)},
            {"[1, 2", syntax(5, QJsonParseError::TerminationByNumber)},
            {"[\"\xEF\xBB\xBF\" 1]", syntax(8, QJsonParseError::MissingValueSeparator)},
            {"{}", Kind::notAList},
            {"[3]", reelNotObject},
            {withReel("\"duration\":12.345678901234,", ""),
             member(Kind::memberMissing, "duration", {{Record::reel, 1}, {Record::take, 1}})},
            {withReel("\"title\":\"Intro", "\"title\":[\"Intro"),
             syntax(1561, QJsonParseError::MissingValueSeparator)},
            {withReel("\"prefix\":12", "\"prefix\":12.5"),
             member(Kind::memberWrongType, "prefix", {{Record::reel, 1}})},
            {withReel("\"end\":7.25", "\"end\":null"),
             member(Kind::memberNull, "end", {{Record::reel, 1}, {Record::take, 1}, {Record::interval, 2}})},
            {withReel("\"id\":\"6F1C2B9E", "\"id\":\"XF1C2B9E"),
             member(Kind::memberNotUuid, "id", {{Record::reel, 1}, {Record::take, 1}},
                    QStringLiteral("XF1C2B9E-1D2A-4C3B-9A8E-7F6D5C4B3A21"))},
    };
    for (const auto &c : cases) {
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(c.text);
        ASSERT_FALSE(read.ok()) << c.text.toStdString();
        EXPECT_EQ(read.error(), c.error) << c.text.toStdString();
    }
}

TEST(LibraryJson, ARoundTripKeepsEverythingButTheFractionOfASecond)
{
    const ReelProject reel = sampleReel();
    const LibraryResult<QByteArray> text = encodeLibrary({reel});
    ASSERT_TRUE(text.ok()) << int(text.error().kind);
    const LibraryResult<QList<ReelProject>> read = decodeLibrary(*text);
    ASSERT_TRUE(read.ok()) << int(read.error().kind);
    ASSERT_EQ(read->size(), 1);

    ReelProject expected = reel;
    expected.updatedAt = utc(2025, 3, 1, 10, 0, 0);
    expected.takes[0].recordedAt = utc(2025, 3, 1, 9, 30, 15);
    EXPECT_EQ(read->first(), expected);
    EXPECT_TRUE(text->contains("\"recordedAt\" : \"2025-03-01T09:30:15Z\""));
    EXPECT_TRUE(text->contains("\"id\" : \"0B9F0C4E-5A6D-4E7F-8A9B-0C1D2E3F4A5B\""));
}

TEST(LibraryJson, DatesAreWrittenInUtcWhateverTheirZone)
{
    const QDateTime berlin(QDate(2025, 7, 1), QTime(12, 0, 0), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(formatLibraryDate(berlin), "2025-07-01T10:00:00Z");
    EXPECT_EQ(formatLibraryDate(QDateTime()), QString());
}

TEST(LibraryJson, MembersAreSortedByNameAtEveryLevel)
{
    const LibraryResult<QByteArray> text = encodeLibrary({sampleReel()});
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(memberOrder(*text).join(QLatin1Char(' ')),
              QStringLiteral(
                      "createdAt cropCenterX id prefix script takes audioFileName duration id recordedAt "
                      "speechIntervals end start end start videoFileName title updatedAt"));
    EXPECT_TRUE(text->startsWith("[\n    {\n        \"createdAt\""));
}

TEST(LibraryJson, DoublesAreWrittenInTheShortestFormThatReadsBack)
{
    const struct
    {
        double value;
        const char *text;
    } cases[] = {
            {0.1, "0.1"},
            {1.0 / 3, "0.3333333333333333"},
            {1e-7, "1e-07"},
            {12345.678, "12345.678"},
            {0.5, "0.5"},
            {3.0, "3"},
            {1e300, "1e+300"},
            {5e-324, "5e-324"},
            {-2.75, "-2.75"},
            {0.30000000000000004, "0.30000000000000004"},
            {0.01, "0.01"},
            {0.009999999999999998, "0.009999999999999998"},
            {0.001, "0.001"},
            {-0.05, "-0.05"},
            {0.0123, "0.0123"},
            {0.123456789012345, "0.123456789012345"},
            {99999999999999.5, "99999999999999.5"},
            {99999999999999.98, "99999999999999.98"},
            {123456789012345.67, "123456789012345.67"},
            {21.299999999999997, "21.299999999999997"},
            {0.0123456789012345, "0.0123456789012345"}, // 16 digits under 2^53
            {0.9999999999999999, "0.9999999999999999"}, // 16 digits over 2^53
            {1234567890123456.0, "1234567890123456"},
            {-0.0, "0"},
    };
    for (const auto &c : cases) {
        ReelProject reel = sampleReel();
        reel.cropCenterX = c.value;
        const LibraryResult<QByteArray> text = encodeLibrary({reel});
        ASSERT_TRUE(text.ok()) << c.text;
        EXPECT_TRUE(text->contains(QByteArray("\"cropCenterX\" : ") + c.text + ",\n")) << c.text;
        EXPECT_EQ(*text, *toPrettyJson(QJsonArray{*encodeReel(reel)})) << c.text;
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(*text);
        ASSERT_TRUE(read.ok()) << c.text;
        EXPECT_EQ(read->first().cropCenterX, c.value) << c.text;
    }
    // Times as the voice detector writes them, of every length of digits,
    // and doubles of any bits: each reads back as the very same double.
    QRandomGenerator64 random(5);
    ReelProject reel = sampleReel();
    QList<SpeechInterval> &intervals = reel.takes[0].speechIntervals;
    intervals.clear();
    for (int i = 0; i < 100000; ++i) {
        double bits = 0;
        for (quint64 word = random.generate(); !std::isfinite(bits); word = random.generate())
            std::memcpy(&bits, &word, sizeof bits);
        intervals.append({random.bounded(3600.0), i % 2 ? bits : std::round(random.bounded(3600.0) * 1000) / 1000});
    }
    const LibraryResult<QList<ReelProject>> read = decodeLibrary(*encodeLibrary({reel}));
    ASSERT_TRUE(read.ok());
    const QList<SpeechInterval> &back = read->first().takes.first().speechIntervals;
    ASSERT_EQ(back.size(), intervals.size());
    for (qsizetype i = 0; i < back.size(); ++i) {
        ASSERT_EQ(std::bit_cast<quint64>(back[i].start), std::bit_cast<quint64>(intervals[i].start)) << i;
        ASSERT_EQ(std::bit_cast<quint64>(back[i].end), std::bit_cast<quint64>(intervals[i].end)) << i;
    }
}

TEST(LibraryJson, NonFiniteNumbersCannotBeWritten)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (const double value : bad) {
        ReelProject crop = sampleReel();
        crop.cropCenterX = value;
        ReelProject duration = sampleReel();
        duration.takes[0].duration = value;
        ReelProject interval = sampleReel();
        interval.takes[0].speechIntervals[1].end = value;
        const struct
        {
            ReelProject reel;
            const char *member;
        } cases[] = {{crop, "cropCenterX"}, {duration, "duration"}, {interval, "end"}};
        for (const auto &c : cases) {
            const LibraryResult<QByteArray> text = encodeLibrary({sampleReel(), c.reel});
            ASSERT_FALSE(text.ok()) << c.member << " " << value;
            EXPECT_EQ(text.error().kind, LibraryError::Kind::numberNotFinite);
            EXPECT_EQ(text.error().member, QLatin1String(c.member));
            ASSERT_FALSE(text.error().places.isEmpty());
            EXPECT_EQ(text.error().places.constFirst(),
                      (LibraryError::Place{LibraryError::Place::Record::reel, 2, c.reel.displayLabel()}));
        }
    }
}

TEST(LibraryJson, TakesWithoutFileNamesLeaveTheMembersOut)
{
    Take take = sampleReel().takes.first();
    take.videoFileName.reset();
    take.speechIntervals.clear();
    const LibraryResult<QByteArray> text = encodeTakeText(take);
    ASSERT_TRUE(text.ok());
    EXPECT_FALSE(text->contains("videoFileName"));
    EXPECT_TRUE(text->contains("\"audioFileName\""));
    EXPECT_TRUE(text->contains("\"speechIntervals\" : []"));
    const LibraryResult<Take> read = decodeTake(QJsonDocument::fromJson(*text).object());
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read->videoFileName.has_value());
    EXPECT_EQ(read->audioFileName, take.audioFileName);
}

TEST(LibraryJson, LenientMembersReadAsAbsent)
{
    const QByteArray base = *encodeLibrary({sampleReel()});
    const struct
    {
        const char *name;
        QString path;
        QJsonValue value;
    } cases[] = {
            {"intervals missing", "take.speechIntervals", QJsonValue(QJsonValue::Undefined)},
            {"intervals null", "take.speechIntervals", QJsonValue(QJsonValue::Null)},
            {"video missing", "take.videoFileName", QJsonValue(QJsonValue::Undefined)},
            {"audio null", "take.audioFileName", QJsonValue(QJsonValue::Null)},
            {"unknown member", "colour", QJsonValue("blau")},
            {"lower-case uuid", "id", QJsonValue("0b9f0c4e-5a6d-4e7f-8a9b-0c1d2e3f4a5b")},
            {"integer crop", "cropCenterX", QJsonValue(1)},
    };
    for (const auto &c : cases) {
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(withMember(base, c.path, c.value));
        ASSERT_TRUE(read.ok()) << c.name << ": " << int(read.error().kind);
        const Take &take = read->first().takes.first();
        if (c.path == QLatin1String("take.speechIntervals")) {
            EXPECT_TRUE(take.speechIntervals.isEmpty()) << c.name;
        } else if (c.path == QLatin1String("take.videoFileName")) {
            EXPECT_FALSE(take.videoFileName.has_value()) << c.name;
        } else if (c.path == QLatin1String("take.audioFileName")) {
            EXPECT_FALSE(take.audioFileName.has_value()) << c.name;
        }
    }
}

TEST(LibraryJson, OneBadMemberMakesTheLibraryUnreadable)
{
    const QByteArray base = *encodeLibrary({sampleReel()});
    const QJsonValue missing(QJsonValue::Undefined);
    const struct
    {
        QString path;
        QJsonValue value;
    } cases[] = {
            {"cropCenterX", missing},
            {"title", QJsonValue(QJsonValue::Null)},
            {"script", QJsonValue(3)},
            {"prefix", QJsonValue("12")},
            {"prefix", QJsonValue(1.5)},
            {"prefix", QJsonValue(1e20)},
            {"takes", QJsonValue(QJsonObject())},
            {"id", QJsonValue("not-a-uuid")},
            {"id", QJsonValue("{0b9f0c4e-5a6d-4e7f-8a9b-0c1d2e3f4a5b}")},
            {"id", QJsonValue("0b9f0c4e-5a6d-4e7f-8a9b-0c1d2e3f4a5g")},
            {"take.id", QJsonValue("6f1c2b9e-1d2a-4c3b-9a8e_7f6d5c4b3a21")},
            {"createdAt", QJsonValue("2025-03-01T09:30:00.250Z")},
            {"createdAt", QJsonValue("2025-03-01T09:30:00")},
            {"createdAt", QJsonValue("2025-03-01 09:30:00Z")},
            {"createdAt", QJsonValue("2025-02-30T09:30:00Z")},
            {"updatedAt", QJsonValue("2025-03-01T24:00:00Z")},
            {"updatedAt", QJsonValue(1740821400)},
            {"take.duration", missing},
            {"take.id", missing},
            {"take.recordedAt", QJsonValue("gestern")},
            {"take.videoFileName", QJsonValue(7)},
            {"take.speechIntervals", QJsonValue(QJsonArray{QJsonObject{{"start", 1}}})},
            {"take.speechIntervals", QJsonValue(QJsonArray{QJsonObject{{"start", 1}, {"end", "2"}}})},
    };
    for (const auto &c : cases) {
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(withMember(base, c.path, c.value));
        EXPECT_FALSE(read.ok())
                << c.path.toStdString() << " = "
                << QJsonDocument(QJsonArray{c.value}).toJson(QJsonDocument::Compact).toStdString();
    }
    EXPECT_FALSE(decodeLibrary("{\"reels\": []}").ok());
    EXPECT_FALSE(decodeLibrary("[{").ok());
    EXPECT_FALSE(decodeLibrary("").ok());
    const LibraryResult<QList<ReelProject>> missingCrop
            = decodeLibrary(withMember(base, "cropCenterX", missing));
    ASSERT_FALSE(missingCrop.ok());
    EXPECT_EQ(missingCrop.error().member, QLatin1String("cropCenterX"));
}

TEST(LibraryJson, LoneSurrogatesSurviveALoadAndASave)
{
    const char16_t highAlone[] = {u'a', 0xD800, u'b'};
    const char16_t lowAlone[] = {0xDC00, u'x'};
    const char16_t reversedPair[] = {0xDE00, 0xD83D};
    const char16_t highAtEnd[] = {u'z', 0xDBFF};
    const char16_t twoHighs[] = {0xD83C, 0xD83C, 0xDFAC};
    const struct
    {
        QString text;
        const char *written; // as it stands in the file
    } cases[] = {
            {QString::fromUtf16(highAlone, 3), R"("a\ud800b")"},
            {QString::fromUtf16(lowAlone, 2), R"("\udc00x")"},
            {QString::fromUtf16(reversedPair, 2), R"("\ude00\ud83d")"},
            {QString::fromUtf16(highAtEnd, 2), R"("z\udbff")"},
            {QString::fromUtf16(twoHighs, 3), "\"\\ud83c\xF0\x9F\x8E\xAC\""},
    };
    for (const auto &c : cases) {
        ReelProject reel = sampleReel();
        reel.title = c.text;
        reel.script = c.text + QStringLiteral("\n") + c.text;
        const LibraryResult<QByteArray> text = encodeLibrary({reel});
        ASSERT_TRUE(text.ok());
        EXPECT_TRUE(text->contains(QByteArray("\"title\" : ") + c.written)) << text->toStdString();
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(*text);
        ASSERT_TRUE(read.ok()) << int(read.error().kind);
        EXPECT_EQ(read->first().title, reel.title) << c.written;
        EXPECT_EQ(read->first().script, reel.script) << c.written;
        // Saving what was loaded writes the same bytes again.
        EXPECT_EQ(*encodeLibrary(*read), *text) << c.written;
    }
}

TEST(LibraryJson, WordTimesAreWrittenOnlyWhenKnownAndReadBack)
{
    ReelProject reel = sampleReel();
    const LibraryResult<QByteArray> without = encodeLibrary({reel});
    ASSERT_TRUE(without.ok());
    EXPECT_FALSE(without->contains("\"words\"")) << "takes without word times stay as they were";
    ASSERT_FALSE(decodeLibrary(*without)->first().takes.first().words.has_value());

    for (const QList<WordTime> &words : {QList<WordTime>{},
                                         QList<WordTime>{{0.25, 0.5, 0, QStringLiteral("Zeile")},
                                                         {0.75, 1.0 / 3 + 1, 3, QStringLiteral("Ende.")}}}) {
        reel.takes[0].words = words;
        const LibraryResult<QByteArray> text = encodeLibrary({reel});
        ASSERT_TRUE(text.ok());
        EXPECT_TRUE(text->contains("\"words\""));
        const LibraryResult<QList<ReelProject>> read = decodeLibrary(*text);
        ASSERT_TRUE(read.ok()) << int(read.error().kind);
        EXPECT_EQ(read->first().takes.first().words, std::optional(words));
    }
}
