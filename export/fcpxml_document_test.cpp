#include "export/fcpxml_exporter.h"

#include "export/fcpxml_check.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <time.h>

using namespace tandrel;

namespace {

// The attributes of every element called `name`, in document order.
QList<QXmlStreamAttributes> elements(const QString &document, const QString &name)
{
    QList<QXmlStreamAttributes> found;
    QXmlStreamReader reader(document);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            found.append(reader.attributes());
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return found;
}

QString attribute(const QXmlStreamAttributes &attributes, const char *name)
{
    return attributes.value(QLatin1String(name)).toString();
}

QDateTime at(const char *utc)
{
    return QDateTime::fromString(QString::fromLatin1(utc), Qt::ISODate);
}

class FCPXMLDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Clip names and the modification date use the system's time zone.
        m_oldTz = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        m_takes = QDir(m_dir.path()).filePath("007-intro/takes");
        ASSERT_TRUE(QDir().mkpath(m_takes));
        m_reel.id = QUuid::fromString("{6f1c2a3b-4d5e-4f60-8a9b-0c1d2e3f4a5b}");
        m_reel.prefix = 7;
        m_reel.title = QStringLiteral("Intro");
    }
    void TearDown() override
    {
        qputenv("TZ", m_oldTz);
        tzset();
    }

    // Writes a take file of `bytes` bytes into the takes folder; its name.
    QString media(const QString &name, qsizetype bytes = 4096)
    {
        EXPECT_TRUE(tandrel::testing::writeFile(QDir(m_takes).filePath(name), QByteArray(bytes, '\0')));
        return name;
    }

    void addTake(const char *recordedAt, double duration, std::optional<QString> video,
                 std::optional<QString> audio, QList<SpeechInterval> intervals = {})
    {
        m_reel.takes.append(Take{QUuid::createUuid(), at(recordedAt), video, audio, duration, intervals, std::nullopt});
    }

    FCPXMLDocumentContext context(std::optional<QString> finalCutLibrary = std::nullopt) const
    {
        return {"007 Intro", m_takes, finalCutLibrary, at("2025-03-01T09:30:00Z")};
    }

    // The document, checked against the DTD.
    QString build(const FCPXMLDocumentContext &ctx)
    {
        const auto document = FCPXMLExporter::buildDocument(m_reel, ctx);
        EXPECT_TRUE(document.ok()) << "export failed: " << int(*document.error());
        const QString file = m_dir.filePath("Info.fcpxml");
        if (!document.ok() || !tandrel::testing::writeFile(file, document.value().toUtf8()))
            return {};
        EXPECT_EQ(tandrel::testing::dtdErrors(file), QString());
        return document.value();
    }
    QString build() { return build(context()); }

    QTemporaryDir m_dir;
    QString m_takes;
    ReelProject m_reel;
    QByteArray m_oldTz;
};

} // namespace

TEST_F(FCPXMLDocument, AVideoOnlyTakeIsWrittenPieceByPiece)
{
    // Stored intervals that are all discarded still name the clip a pause.
    addTake("2025-03-01T08:15:42Z", 2.0, media("20250301-091542-video.mov"), std::nullopt, {{0.5, 0.5005}});
    const QString url = QStringLiteral("file://") + m_takes + "/20250301-091542-video.mov";
    const QString expected = QString::fromUtf8(R"xml(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE fcpxml>

<fcpxml version="1.14">
    <resources>
        <format id="r1" name="FFVideoFormat1080p30" frameDuration="100/3000s" width="1080" height="1920" colorSpace="1-1-1 (Rec. 709)"/>
        <asset id="r2" name="20250301-091542-video.mov" start="0s" duration="6000/3000s" hasVideo="1" hasAudio="0" videoSources="1" format="r1">
            <media-rep kind="original-media" src="%1"/>
        </asset>
    </resources>
    <library>
        <event name="Tandrel" uid="A3C0E91B-7D14-4C2A-9F6E-2B8D14F0C5A1">
            <project name="007 Intro" uid="6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B" modDate="2025-03-01 10:30:00 +0100">
                <sequence format="r1" duration="6000/3000s" tcStart="0s" tcFormat="NDF" audioLayout="stereo" audioRate="48k">
                    <spine>
            <asset-clip ref="r2" offset="0s" name="Take 09:15:42 · Pause" start="0s" duration="6000/3000s" format="r1" tcFormat="NDF">

            </asset-clip>
                    </spine>
                </sequence>
            </project>
        </event>
    </library>
</fcpxml>)xml")
                                     .arg(url);
    EXPECT_EQ(build(), expected);
}

TEST_F(FCPXMLDocument, TakesFollowEachOtherOnTheTimelineInRecordingOrder)
{
    // Added newest first: the document orders by recording time.
    addTake("2025-07-01T10:05:00Z", 5.0, media("b-video.mov"), media("b-audio.m4a"));
    addTake("2025-07-01T10:00:00Z", 10.0, media("a-video.mov"), media("a-audio.m4a"),
            {{1.0, 3.0}, {3.05, 5.0}, {7.0, 20.0}});
    const QString document = build();

    const auto assets = elements(document, "asset");
    ASSERT_EQ(assets.size(), 4);
    const char *expectedAssets[][2]
            = {{"r2", "a-video.mov"}, {"r3", "a-audio.m4a"}, {"r4", "b-video.mov"}, {"r5", "b-audio.m4a"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(attribute(assets[i], "id"), QLatin1String(expectedAssets[i][0]));
        EXPECT_EQ(attribute(assets[i], "name"), QLatin1String(expectedAssets[i][1]));
    }
    EXPECT_EQ(attribute(elements(document, "sequence").value(0), "duration"), "45000/3000s");

    // Video clips on the spine, each with its connected audio clip right after
    // it. The audio's offset counts in the video clip's own timeline, which
    // begins at the clip's start: equal to that start, it plays with the picture.
    const struct
    {
        const char *ref, *offset, *name, *start, *duration;
    } clips[] = {
            {"r2", "0s", "Take 12:00:00 · Pause", "0s", "3000/3000s"},
            {"r3", "0s", "Audio", "0s", "3000/3000s"},
            {"r2", "3000/3000s", "Take 12:00:00 · Sprache", "3000/3000s", "12000/3000s"},
            {"r3", "3000/3000s", "Audio", "3000/3000s", "12000/3000s"},
            {"r2", "15000/3000s", "Take 12:00:00 · Pause", "15000/3000s", "6000/3000s"},
            {"r3", "15000/3000s", "Audio", "15000/3000s", "6000/3000s"},
            {"r2", "21000/3000s", "Take 12:00:00 · Sprache", "21000/3000s", "9000/3000s"},
            {"r3", "21000/3000s", "Audio", "21000/3000s", "9000/3000s"},
            {"r4", "30000/3000s", "Take 12:05:00", "0s", "15000/3000s"},
            {"r5", "0s", "Audio", "0s", "15000/3000s"},
    };
    const auto found = elements(document, "asset-clip");
    ASSERT_EQ(found.size(), std::size(clips));
    for (size_t i = 0; i < std::size(clips); ++i) {
        const auto &c = clips[i];
        EXPECT_EQ(attribute(found[i], "ref"), QLatin1String(c.ref)) << i;
        EXPECT_EQ(attribute(found[i], "offset"), QLatin1String(c.offset)) << i;
        EXPECT_EQ(attribute(found[i], "name"), QString::fromUtf8(c.name)) << i;
        EXPECT_EQ(attribute(found[i], "start"), QLatin1String(c.start)) << i;
        EXPECT_EQ(attribute(found[i], "duration"), QLatin1String(c.duration)) << i;
        EXPECT_EQ(attribute(found[i], "lane"), i % 2 ? "-1" : QString()) << i;
    }
}

TEST_F(FCPXMLDocument, MissingMediaShapesTheClips)
{
    const QString tiny = media("tiny-video.mov", 64);
    media("outside.mov");
    const QString outside = QStringLiteral("../takes/outside.mov");
    addTake("2025-07-01T10:00:00Z", 1.0, tiny, media("a-audio.m4a")); // audio only
    addTake("2025-07-01T10:01:00Z", 2.0, "gone.mov", std::nullopt); // nothing usable
    addTake("2025-07-01T10:02:00Z", 3.0, outside, std::nullopt); // not a bare name
    addTake("2025-07-01T10:03:00Z", 0.01, media("c-video.mov"), tiny); // video only
    const QString document = build();

    const auto assets = elements(document, "asset");
    ASSERT_EQ(assets.size(), 2);
    EXPECT_EQ(attribute(assets[0], "id"), "r2");
    EXPECT_EQ(attribute(assets[0], "hasAudio"), "1");
    EXPECT_EQ(attribute(assets[1], "id"), "r3");
    EXPECT_EQ(attribute(assets[1], "duration"), "100/3000s");

    const auto clips = elements(document, "asset-clip");
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(attribute(clips[0], "ref"), "r2");
    EXPECT_EQ(attribute(clips[0], "audioRole"), "dialogue");
    EXPECT_EQ(attribute(clips[1], "ref"), "r3");
    EXPECT_EQ(attribute(clips[1], "offset"), "3000/3000s"); // the empty takes took no room
    EXPECT_EQ(attribute(elements(document, "sequence").value(0), "duration"), "3100/3000s");
    EXPECT_FALSE(document.contains("outside.mov"));
}

TEST_F(FCPXMLDocument, EscapesNamesAndEncodesFileLocations)
{
    m_takes = QDir(m_dir.path()).filePath("007-tom-jerry/Ü takes#1");
    ASSERT_TRUE(QDir().mkpath(m_takes));
    const QString finalCut = QDir(m_dir.path()).filePath("Tom & Jerry.fcpbundle");
    addTake("2025-07-01T10:00:00Z", 1.0, media("Peter's <take>.mov"), std::nullopt);
    auto ctx = context(finalCut);
    ctx.projectName = QStringLiteral("007 Tom & \"Jerry\"\x01");
    const QString document = build(ctx);

    EXPECT_TRUE(document.contains("<project name=\"007 Tom &amp; &quot;Jerry&quot;\""));
    EXPECT_TRUE(document.contains("name=\"Peter&apos;s &lt;take&gt;.mov\""));
    const QString src = attribute(elements(document, "media-rep").value(0), "src");
    EXPECT_TRUE(src.startsWith("file:///")) << src.toStdString();
    EXPECT_TRUE(src.endsWith("/%C3%9C%20takes%231/Peter's%20%3Ctake%3E.mov")) << src.toStdString();
    EXPECT_EQ(QUrl(src).toLocalFile(), QDir(m_takes).filePath("Peter's <take>.mov"));

    const QString location = attribute(elements(document, "library").value(0), "location");
    EXPECT_TRUE(location.endsWith("/Tom%20&%20Jerry.fcpbundle/")) << location.toStdString();
    EXPECT_TRUE(document.contains("Tom%20&amp;%20Jerry.fcpbundle/\">"));
}

TEST_F(FCPXMLDocument, AnEndlessLibraryTimelineStopsWithinSixtyFourBits)
{
    // Every take claims the longest duration a take can have; a hundred of
    // them would overflow 64 bits in "100/3000s" units.
    const QString video = media("v.mov");
    for (int i = 0; i < 100; ++i)
        addTake(qPrintable(QStringLiteral("2025-07-01T10:00:%1Z").arg(i % 60, 2, 10, QLatin1Char('0'))),
                1e300, video, std::nullopt,
                i % 2 ? QList<SpeechInterval>{{1.0, 1e299}} : QList<SpeechInterval>{});
    const QString document = build();

    static const QRegularExpression time("^(0s|[1-9][0-9]*/3000s)$");
    const auto units = [](const QString &text) {
        return text == QLatin1String("0s") ? 0 : text.section(QLatin1Char('/'), 0, 0).toLongLong();
    };
    const QString sequence = attribute(elements(document, "sequence").value(0), "duration");
    EXPECT_EQ(sequence, "9223372036854775800/3000s");
    quint64 end = 0;
    for (const QXmlStreamAttributes &clip : elements(document, "asset-clip")) {
        for (const char *name : {"offset", "start", "duration"})
            EXPECT_TRUE(time.match(attribute(clip, name)).hasMatch())
                    << name << " " << attribute(clip, name).toStdString();
        // The clips follow each other without gaps and end with the sequence.
        EXPECT_EQ(quint64(units(attribute(clip, "offset"))), end);
        end += quint64(units(attribute(clip, "duration")));
    }
    EXPECT_EQ(end, quint64(units(sequence)));
}
