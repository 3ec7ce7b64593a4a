// The takes' captions in every export: where the cut puts each part of a
// cue, Final Cut's caption elements against its DTD, the SubRip files beside
// the project, and what melt (the engine both editors play with) shows.
#include "export/caption_files.h"
#include "export/fcpxml_check.h"
#include "export/fcpxml_exporter.h"
#include "export/mlt_project.h"
#include "export/mlt_test_support.h"

#include <QStandardPaths>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

constexpr quint32 red = 0xffff0000, blue = 0xff0000ff;

QList<WordTime> words(std::initializer_list<std::tuple<double, double, const char *>> said)
{
    QList<WordTime> list;
    qint64 index = 0;
    for (const auto &[start, end, text] : said)
        list.append({start, end, index++, QString::fromUtf8(text)});
    return list;
}

// A library with take a (3 s, speech 0.5–2.0 s: clips [0,15) [15,60) [60,90))
// and take b (3 s, speech 0.3–1.0 s: clips [0,9) [9,30) [30,90)), each with
// the words given.
struct CaptionedLibrary : TestLibrary
{
    CaptionedLibrary(const QList<WordTime> &a, const QList<WordTime> &b, bool realMedia = false)
    {
        const QDir takes(takesFolder());
        if (realMedia) {
            ok = writeTestVideo(takes.filePath("20260301-100000-video.mov"), red, 90)
                    && writeTestAudio(takes.filePath("20260301-100000-audio.m4a"), 90)
                    && writeTestVideo(takes.filePath("20260301-100100-video.mov"), blue, 90);
        }
        addTake(0, "20260301-100000-video.mov", "20260301-100000-audio.m4a", 3.0, {{0.5, 2.0}});
        // The second take has sound only.
        addTake(1, QString(), "20260301-100100-audio.m4a", 3.0, {{0.3, 1.0}});
        if (realMedia)
            ok = ok && writeTestAudio(takes.filePath("20260301-100100-audio.m4a"), 90);
        const ReelProject r = reel();
        store->setTakeWords(r.takes.at(0).id, reelID, a);
        store->setTakeWords(r.takes.at(1).id, reelID, b);
    }
    bool ok = true;
};

struct PlacedCaption
{
    qint64 offset = 0, length = 0; // on the timeline
    QString text;
    bool operator==(const PlacedCaption &) const = default;
};

std::ostream &operator<<(std::ostream &os, const PlacedCaption &c)
{
    return os << c.text.toStdString() << " @" << c.offset << "+" << c.length;
}

// Final Cut's captions, each placed on the timeline through the clip it is anchored to.
QList<PlacedCaption> finalCutCaptions(const QString &document, QStringList *roles)
{
    QList<PlacedCaption> found;
    QXmlStreamReader r(document);
    qint64 parentOffset = 0, parentStart = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        const auto attr = [&](const char *a) { return r.attributes().value(QLatin1String(a)).toString(); };
        if (r.name() == QLatin1String("asset-clip") && attr("lane").isEmpty()) {
            parentOffset = FinalCutTimeline::frames(attr("offset"));
            parentStart = FinalCutTimeline::frames(attr("start"));
        } else if (r.name() == QLatin1String("caption")) {
            roles->append(attr("role"));
            PlacedCaption caption{parentOffset + FinalCutTimeline::frames(attr("offset")) - parentStart,
                                  FinalCutTimeline::frames(attr("duration")),
                                  {}};
            while (!(r.isEndElement() && r.name() == QLatin1String("caption"))) {
                r.readNext();
                if (r.isStartElement() && r.name() == QLatin1String("text"))
                    caption.text = r.readElementText(QXmlStreamReader::IncludeChildElements);
            }
            found.append(caption);
        }
    }
    return found;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

// Pixels of a 270 × 480 frame at `seconds` into `file` that are near white:
// caption text, on takes of plain red or blue.
int whitePixels(const QString &file, double seconds)
{
    const ToolRun run = runTool("ffmpeg",
                                {"-v", "error", "-ss", QString::number(seconds), "-i", file, "-frames:v", "1",
                                 "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    const QByteArray rgb = run.output;
    int count = 0;
    for (qsizetype i = 0; i + 2 < rgb.size(); i += 3) {
        if (quint8(rgb[i]) > 200 && quint8(rgb[i + 1]) > 200 && quint8(rgb[i + 2]) > 200)
            ++count;
    }
    return count;
}

} // namespace

TEST(CaptionExport, EachPartOfACueGoesWhereItsClipGoesOnTheTimeline)
{
    // "Hallo" is shown 1.5–2.3 s into take a (its word and the hold): frames
    // 45–69, across the end of the speech clip at 60. "Welt." 0.1–0.9 s into
    // take b, which starts at frame 90: across the start of its speech at 9.
    CaptionedLibrary library(words({{1.5, 1.9, "Hallo"}}), words({{0.1, 0.5, "Welt."}}));
    const ExportResult<ReelTimeline> timeline = ReelTimeline::build(library.reel(), library.takesFolder());
    ASSERT_TRUE(timeline.ok());
    const QList<ReelTimeline::Caption> expected{
            {1, 45, 15, "Hallo"}, {2, 60, 9, "Hallo"}, {3, 93, 6, "Welt."}, {4, 99, 18, "Welt."}};
    EXPECT_EQ(timeline.value().captions, expected);
    for (const ReelTimeline::Caption &c : timeline.value().captions) {
        const ReelTimeline::Clip &clip = timeline.value().clips.at(c.clip);
        EXPECT_GE(c.offset, clip.offset);
        EXPECT_LE(c.offset + c.length, clip.offset + clip.length);
    }
    // Each take's file keeps the cue in the take's own time.
    ASSERT_EQ(timeline.value().takeCaptions.size(), 2);
    EXPECT_EQ(CaptionFiles::takeFileName(library.reel().folderName(), timeline.value().takeCaptions.at(0)),
              "007-tom-jerry-20260301-100000.srt");
    EXPECT_EQ(srtText(timeline.value().takeCaptions.at(1).cues),
              "1\n00:00:00,100 --> 00:00:00,900\nWelt.\n\n");
    EXPECT_EQ(CaptionFiles::timelineSrt(timeline.value()),
              "1\n00:00:01,500 --> 00:00:02,000\nHallo\n\n2\n00:00:02,000 --> 00:00:02,300\nHallo\n\n"
              "3\n00:00:03,100 --> 00:00:03,300\nWelt.\n\n4\n00:00:03,300 --> 00:00:03,900\nWelt.\n\n");
}

TEST(CaptionExport, WordTimesOfAnEditedLibraryFileGiveNoCaptionOutsideTheTakeAndNoOverlap)
{
    const struct
    {
        const char *name;
        QList<WordTime> a;
        qsizetype captions; // -1: any number
    } cases[] = {
            {"no words heard", {}, 0},
            {"past the take's end", words({{5.0, 5.5, "später"}}), 0},
            {"before its start", words({{-2.0, -1.0, "vorher"}}), 0},
            {"not a number", words({{std::nan(""), std::nan(""), "nichts"}}), 0},
            {"out of order", words({{1.0, 1.9, "zuerst."}, {0.6, 0.9, "dann."}}), -1},
    };
    for (const auto &c : cases) {
        CaptionedLibrary library(c.a, {});
        const ExportResult<ReelTimeline> timeline
                = ReelTimeline::build(library.reel(), library.takesFolder());
        ASSERT_TRUE(timeline.ok()) << c.name;
        const QList<ReelTimeline::Caption> &captions = timeline.value().captions;
        if (c.captions >= 0) {
            EXPECT_EQ(captions.size(), c.captions) << c.name;
        }
        for (qsizetype k = 1; k < captions.size(); ++k)
            EXPECT_GE(captions[k].offset, captions[k - 1].offset + captions[k - 1].length) << c.name;
        for (const ReelTimeline::Caption &caption : captions)
            EXPECT_LE(caption.offset + caption.length, 90) << c.name << ": within the first take";
    }
}

TEST(CaptionExport, FinalCutGetsCaptionsAnchoredToTheirClipsThatValidateAgainstTheDtd)
{
    CaptionedLibrary library(words({{1.5, 1.9, "Tom"}, {1.9, 2.2, "&"}, {2.2, 2.6, "<Jerry>"}}),
                             words({{0.1, 0.5, "Welt."}}));
    FCPXMLDocumentContext context{library.reel().displayLabel(), library.takesFolder(), std::nullopt,
                                  QDateTime::currentDateTime()};
    context.captionLanguage = "en";
    const ExportResult<QString> document = FCPXMLExporter::buildDocument(library.reel(), context);
    ASSERT_TRUE(document.ok());
    const QString path = library.dir.filePath("Info.fcpxml");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document.value().toUtf8());
    file.close();
    EXPECT_EQ(dtdErrors(path), QString());

    const ReelTimeline timeline = ReelTimeline::build(library.reel(), library.takesFolder()).value();
    QList<PlacedCaption> expected;
    for (const ReelTimeline::Caption &c : timeline.captions)
        expected.append({c.offset, c.length, c.text});
    QStringList roles;
    EXPECT_EQ(finalCutCaptions(document.value(), &roles), expected);
    EXPECT_EQ(roles, QStringList(expected.size(), "SRT?captionFormat=SRT.en"));
}

TEST(CaptionExport, ProjectsShowTheCaptionsWhereMeltPlaysThemAndTheTakesGetSubRipFiles)
{
    if (QStandardPaths::findExecutable("melt").isEmpty())
        GTEST_SKIP() << "melt is not installed (scripts/install-deps installs it)";
    // Take a says "Tom" from the first frame to 0.6 s; its caption lasts to 1.0 s.
    CaptionedLibrary library(words({{0.0, 0.6, "Tom # 1"}}), words({{0.2, 0.6, "Jerry"}}), true);
    ASSERT_TRUE(library.ok);
    const QString reelFolder = library.store->reelFolder(library.reel());

    for (const MltProject::Flavour flavour : {MltProject::Flavour::kdenlive, MltProject::Flavour::shotcut}) {
        SCOPED_TRACE(MltProject::fileSuffix(flavour).toStdString());
        const ExportResult<QString> project = MltProject::exportReel(library.reel(), *library.store, flavour);
        ASSERT_TRUE(project.ok()) << "export failed: " << int(*project.error());
        const QString rendered = library.dir.filePath("render" + MltProject::fileSuffix(flavour) + ".mp4");
        const ToolRun melt = runTool("melt",
                                     {"-quiet", project.value(), "-consumer", "avformat:" + rendered,
                                      "vcodec=libx264", "preset=ultrafast", "an=1", "width=270", "height=480",
                                      "real_time=0", "terminate_on_pause=1"},
                                     ToolErrors::withOutput);
        ASSERT_EQ(melt.exitCode, 0) << melt.text().toStdString();
        // Shown while said and held, gone in the pause after; the second
        // take's caption where the second take plays it.
        EXPECT_GT(whitePixels(rendered, 0.5), 100);
        EXPECT_EQ(whitePixels(rendered, 2.0), 0);
        EXPECT_GT(whitePixels(rendered, 3.0 + 0.5), 100);
    }
    EXPECT_EQ(readText(MltProject::subtitlePath(MltProject::projectPath(library.reel(), *library.store,
                                                                        MltProject::Flavour::kdenlive))),
              "1\n00:00:00,000 --> 00:00:00,500\nTom # 1\n\n2\n00:00:00,500 --> 00:00:01,000\nTom # 1\n\n"
              "3\n00:00:03,200 --> 00:00:03,300\nJerry\n\n4\n00:00:03,300 --> 00:00:04,000\nJerry\n\n");
    EXPECT_EQ(readText(QDir(reelFolder).filePath("007-tom-jerry-20260301-100100.srt")),
              "1\n00:00:00,200 --> 00:00:01,000\nJerry\n\n");
}
