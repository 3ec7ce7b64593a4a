// The cut of a finished reel on real take files: which stretches of a take
// it keeps, and where the take's moments and captions land in the reel.

#include "export/mlt_test_support.h"
#include "render/caption_script.h"
#include "render/reel_cut.h"
#include "render/reel_renderer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

using Segments = QList<ReelCut::Segment>;

// Five seconds (150 frames) of picture and sound in a temporary takes folder.
struct TakeFiles
{
    explicit TakeFiles(quint32 argb = 0xff202020)
    {
        ok = writeTestVideo(dir.filePath("t.mov"), argb, 150) && writeTestAudio(dir.filePath("t.m4a"), 150);
    }
    Take take(QList<SpeechInterval> speech) const
    {
        return Take{QUuid::createUuid(),
                    QDateTime::currentDateTimeUtc(),
                    QStringLiteral("t.mov"),
                    QStringLiteral("t.m4a"),
                    5.0,
                    std::move(speech),
                    std::nullopt};
    }
    QTemporaryDir dir;
    bool ok = false;
};

// The colour of frame `frame` of a movie of one colour, as ffmpeg reads it
// (red, green, blue), each file by the colour matrix it is tagged with.
QList<int> colourOf(const QString &path, int frame)
{
    const ToolRun run = runTool(QStringLiteral("ffmpeg"),
                                {"-v", "error", "-i", path, "-an", "-vf",
                                 QStringLiteral("select=eq(n\\,%1),scale=1:1:flags=area").arg(frame),
                                 "-frames:v", "1", "-pix_fmt", "rgb24", "-f", "rawvideo", "-"});
    QList<int> rgb;
    for (const char byte : run.output)
        rgb.append(quint8(byte));
    return rgb;
}

} // namespace

// A coloured take comes out in its colour, not with one chroma plane of the
// picture copied into the other.
TEST(ReelRenderer, TheReelKeepsTheTakesColours)
{
    TakeFiles files(0xffd05020); // orange: blue-difference low, red-difference high
    ASSERT_TRUE(files.ok);
    const RenderResult<ReelCut> cut
            = ReelCut::build(files.take({{0.0, 5.0}}), files.dir.path(), RenderOptions());
    ASSERT_TRUE(cut.ok());
    const QString output = files.dir.filePath("reel.mp4");
    std::atomic<bool> cancelled{false};
    const RenderResult<QString> rendered = ReelRenderer::render(*cut, {}, output, {}, cancelled);
    ASSERT_TRUE(rendered.ok()) << rendered.errorDetail().toStdString();

    const QList<int> take = colourOf(files.dir.filePath("t.mov"), 30);
    const QList<int> reel = colourOf(output, 30);
    ASSERT_EQ(take.size(), 3);
    ASSERT_EQ(reel.size(), 3);
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(reel[channel], take[channel], 6) << "channel " << channel;
    EXPECT_GT(take[0] - take[2], 100) << "a colour, not a grey";
}

TEST(ReelCut, LongPausesKeepABreathAndEverythingElseStays)
{
    TakeFiles files;
    ASSERT_TRUE(files.ok);
    RenderOptions keep;
    keep.tightenPauses = false;
    const struct
    {
        const char *what;
        QList<SpeechInterval> speech;
        RenderOptions options;
        Segments segments;
    } cases[] = {
            {"no speech measured: the whole take", {}, {}, {{0, 150, 0}}},
            // Pauses of 30 frames before, between and after: 8 frames kept
            // of each, the one between split 4 + 4.
            {"long pauses", {{1.0, 2.0}, {3.0, 4.0}}, {}, {{22, 42, 0}, {86, 42, 42}}},
            {"a pause of 0.5 s stays", {{0.0, 2.0}, {2.5, 5.0}}, {}, {{0, 150, 0}}},
            {"a pause at the threshold stays", {{0.0, 2.0}, {2.6, 5.0}}, {}, {{0, 150, 0}}},
            {"a pause just over it is shortened", {{0.0, 2.0}, {2.7, 5.0}}, {}, {{0, 64, 0}, {77, 73, 64}}},
            {"--keep-pauses", {{1.0, 2.0}, {3.0, 4.0}}, keep, {{0, 150, 0}}},
    };
    for (const auto &c : cases) {
        const RenderResult<ReelCut> cut = ReelCut::build(files.take(c.speech), files.dir.path(), c.options);
        ASSERT_TRUE(cut.ok()) << c.what << ": " << cut.errorDetail().toStdString();
        EXPECT_EQ(cut->segments, c.segments) << c.what;
        qint64 frames = 0;
        for (const ReelCut::Segment &s : cut->segments)
            frames += s.length;
        EXPECT_EQ(cut->frames, frames) << c.what;
        EXPECT_EQ(cut->takeFrames, 150) << c.what;
    }
}

TEST(ReelCut, CaptionsFollowTheirWordsIntoTheReel)
{
    TakeFiles files;
    ASSERT_TRUE(files.ok);
    const RenderResult<ReelCut> cut
            = ReelCut::build(files.take({{1.0, 2.0}, {3.0, 4.0}}), files.dir.path(), RenderOptions());
    ASSERT_TRUE(cut.ok());
    // The reel: take frames 22–63 at 0, 86–127 at 42.
    const QList<CaptionCue> cues = cut->reelCues({
            {1.0, 1.9, QStringLiteral("eins")}, // inside the first segment
            {3.0, 3.5, QStringLiteral("zwei")}, // inside the second
            {2.2, 2.8, QStringLiteral("weg")}, // all of it in the left-out pause
            {1.5, 3.2, QStringLiteral("über")}, // across the cut
    });
    const double f = 1.0 / 30;
    ASSERT_EQ(cues.size(), 3);
    EXPECT_EQ(cues[0].text, QStringLiteral("eins"));
    EXPECT_NEAR(cues[0].start, 8 * f, 1e-9);
    EXPECT_NEAR(cues[0].end, 35 * f, 1e-9);
    EXPECT_NEAR(cues[1].start, 46 * f, 1e-9);
    EXPECT_NEAR(cues[1].end, 61 * f, 1e-9);
    EXPECT_NEAR(cues[2].start, 23 * f, 1e-9);
    EXPECT_NEAR(cues[2].end, 52 * f, 1e-9);
}

TEST(ReelCut, ATakeWithoutItsFilesIsRefusedByName)
{
    TakeFiles files;
    ASSERT_TRUE(files.ok);
    Take missing = files.take({});
    missing.audioFileName = QStringLiteral("weg.m4a");
    Take outside = files.take({});
    outside.videoFileName = QStringLiteral("../t.mov");
    Take none = files.take({});
    none.videoFileName.reset();
    none.audioFileName.reset();
    const struct
    {
        Take take;
        RenderError error;
        const char *named;
    } cases[] = {{missing, RenderError::missingTakeFile, "weg.m4a"},
                 {outside, RenderError::missingTakeFile, "../t.mov"},
                 {none, RenderError::noMedia, ""}};
    for (const auto &c : cases) {
        const RenderResult<ReelCut> cut = ReelCut::build(c.take, files.dir.path(), RenderOptions());
        ASSERT_FALSE(cut.ok()) << c.named;
        EXPECT_EQ(cut.error(), c.error) << c.named;
        EXPECT_EQ(cut.errorDetail(), QString::fromUtf8(c.named)) << c.named;
    }
}

TEST(CaptionScript, CueTextCannotInjectStyleOverrides)
{
    const QString script = CaptionScript::text({{1.234, 62.5, QStringLiteral("Ein {\\b0}Satz\nzwei \\N")}});
    EXPECT_TRUE(script.contains(QStringLiteral("PlayResX: 1080\nPlayResY: 1920")));
    EXPECT_TRUE(script.contains(
            QStringLiteral("Dialogue: 0,0:00:01.23,0:01:02.50,Reel,,0,0,0,,Ein (%1b0)Satz\\Nzwei %1N\n")
                    .arg(QChar(0x29F5))))
            << script.toStdString();
}
