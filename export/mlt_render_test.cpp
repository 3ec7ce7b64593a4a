// melt, the MLT player both editors render with, plays each exported project
// of a reel with two real takes: the picture and sound files GStreamer writes
// as the recorder does, one red take and one blue take.
#include "export/fcpxml_exporter.h"
#include "export/mlt_project.h"
#include "export/mlt_test_support.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

constexpr quint32 red = 0xffff0000, blue = 0xff0000ff;

struct Rgb
{
    int r = -1, g = -1, b = -1;
};

// The picture's average colour at `seconds` into a rendered file.
Rgb colourAt(const QString &file, double seconds)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-ss", QString::number(seconds), "-i", file, "-frames:v", "1", "-vf",
                  "scale=1:1:flags=area", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    if (!ffmpeg.waitForFinished(60000))
        return {};
    const QByteArray pixel = ffmpeg.readAllStandardOutput();
    if (pixel.size() != 3)
        return {};
    return {quint8(pixel[0]), quint8(pixel[1]), quint8(pixel[2])};
}

qint64 videoFrames(const QString &file)
{
    return runTool("ffprobe",
                   {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                    "stream=nb_read_frames", "-of", "csv=p=0", file})
            .text()
            .toLongLong();
}

// The mean loudness of the rendered sound in dB; very low when silent.
double meanVolume(const QString &file)
{
    const QString out = runTool("ffmpeg", {"-i", file, "-af", "volumedetect", "-f", "null", "-"},
                                ToolErrors::withOutput)
                                .text();
    const auto match = QRegularExpression("mean_volume: (-?[0-9.]+) dB").match(out);
    return match.hasMatch() ? match.captured(1).toDouble() : -1000;
}

} // namespace

TEST(MltRender, MeltPlaysEachProjectForTheLengthOfTheSlicesWithEachTakesPicture)
{
    if (QStandardPaths::findExecutable("melt").isEmpty())
        GTEST_SKIP() << "melt is not installed (scripts/install-deps installs it)";

    TestLibrary library;
    const QDir takes(library.takesFolder());
    // The files run a little longer than the take, as a recording stops after its last level.
    ASSERT_TRUE(writeTestVideo(takes.filePath("a-video.mov"), red, 100));
    ASSERT_TRUE(writeTestAudio(takes.filePath("a-audio.m4a"), 100));
    ASSERT_TRUE(writeTestVideo(takes.filePath("b-video.mov"), blue, 100));
    ASSERT_TRUE(writeTestAudio(takes.filePath("b-audio.m4a"), 100));
    library.addTake(0, "a-video.mov", "a-audio.m4a", 3.0, {{0.5, 2.0}});
    library.addTake(1, "b-video.mov", "b-audio.m4a", 3.0, {{0.3, 1.0}, {1.5, 2.5}});

    const FinalCutTimeline cut = FinalCutTimeline::read(
            FCPXMLExporter::buildDocument(library.reel(),
                                          FCPXMLDocumentContext{library.reel().displayLabel(),
                                                                library.takesFolder(), std::nullopt,
                                                                QDateTime::currentDateTime()})
                    .value());
    qint64 sliceFrames = 0;
    std::optional<TrackClip> secondPause, firstSpeech;
    for (const TrackClip &clip : cut.video) {
        sliceFrames += clip.length;
        // The second take's first pause after its first speech.
        if (clip.file.endsWith(QLatin1String("b-video.mov")) && clip.name.endsWith(QLatin1String("Pause"))
            && clip.start > 0 && !secondPause)
            secondPause = clip;
        if (clip.file.endsWith(QLatin1String("a-video.mov")) && clip.name.endsWith(QLatin1String("Sprache")))
            firstSpeech = clip;
    }
    // The takes are as long as their files: 100 frames each, not the 90 stored.
    ASSERT_EQ(sliceFrames, 200);
    ASSERT_TRUE(secondPause && firstSpeech);

    for (const MltProject::Flavour flavour : {MltProject::Flavour::shotcut, MltProject::Flavour::kdenlive}) {
        SCOPED_TRACE(MltProject::fileSuffix(flavour).toStdString());
        const ExportResult<QString> project = MltProject::exportReel(library.reel(), *library.store, flavour);
        ASSERT_TRUE(project.ok()) << "export failed: " << int(*project.error());
        const QString rendered
                = library.dir.filePath(QStringLiteral("render") + MltProject::fileSuffix(flavour) + ".mp4");
        const ToolRun melt
                = runTool("melt",
                          {"-quiet", project.value(), "-consumer", QStringLiteral("avformat:") + rendered,
                           "vcodec=libx264", "preset=ultrafast", "acodec=aac", "width=270", "height=480",
                           "real_time=0", "terminate_on_pause=1"},
                          ToolErrors::withOutput);
        ASSERT_EQ(melt.exitCode, 0) << melt.text().toStdString();

        EXPECT_NEAR(videoFrames(rendered), sliceFrames, 1);
        const auto middle = [](const TrackClip &c) { return (c.offset + c.length / 2 + 0.5) / 30.0; };
        const Rgb first = colourAt(rendered, middle(*firstSpeech));
        EXPECT_GT(first.r, 180);
        EXPECT_LT(first.b, 80);
        const Rgb second = colourAt(rendered, middle(*secondPause));
        EXPECT_GT(second.b, 180) << "at " << middle(*secondPause) << " s";
        EXPECT_LT(second.r, 80);
        EXPECT_GT(meanVolume(rendered), -30);
        std::cout << "[ melt ] " << MltProject::fileSuffix(flavour).toStdString() << ": "
                  << videoFrames(rendered) << " frames rendered, " << sliceFrames << " expected\n";
    }
}
