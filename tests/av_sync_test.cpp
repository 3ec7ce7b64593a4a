// Picture and sound of a take meet to within a frame, in the take's files and
// in what the editors' engine renders from each export. A test camera flashes
// and a test microphone beeps at the same instants of the capture clock, the
// whole seconds; both run as real capture pipelines into the recorder, as a
// camera and a microphone do.

#include "export/fcpxml_exporter.h"
#include "export/mlt_project.h"
#include "export/mlt_test_support.h"
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "tests/support/flash_beep_take.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

TEST(AvSync, FlashAndBeepMeetWithinAFrameInTheTakeAndInEveryRenderedExport)
{
    ensureGstInitialized();
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    LibraryStore store(settings, dir.filePath("library"));
    const ReelProject reel = *store.createReel(1, QStringLiteral("Sync"), QString());

    std::optional<Take> take;
    ASSERT_NO_FATAL_FAILURE(recordFlashBeepTake(store, reel, 4.5, take));
    const QDir takes(store.takesFolder(reel));
    const QString video = takes.filePath(*take->videoFileName);
    const QString audio = takes.filePath(*take->audioFileName);
    const ProbedStream v = probeStream(video, "v");
    std::cout << "[ ffprobe ] " << take->videoFileName->toStdString()
              << ": r_frame_rate=" << v.frameRate.toStdString()
              << " avg_frame_rate=" << v.averageFrameRate.toStdString()
              << " time_base=" << v.timeBase.toStdString() << " nb_frames=" << v.frames << '\n';
    EXPECT_EQ(v.frameRate, QStringLiteral("30/1"));
    EXPECT_EQ(v.averageFrameRate, QStringLiteral("30/1"));
    expectWithinAFrame(offsets(video, audio), "take");

    // Final Cut: every piece's sound lies under its picture on the timeline.
    const FinalCutTimeline cut = FinalCutTimeline::read(
            FCPXMLExporter::buildDocument(store.reel(reel.id).value(), store).value());
    ASSERT_EQ(cut.video.size(), cut.audio.size());
    for (qsizetype i = 0; i < cut.video.size(); ++i) {
        EXPECT_EQ(cut.audio[i].offset, cut.video[i].offset) << i;
        EXPECT_EQ(cut.audio[i].start, cut.video[i].start) << i;
    }
    EXPECT_EQ(cut.length, v.frames) << "the cut holds every frame of the take";

    if (QStandardPaths::findExecutable("melt").isEmpty())
        GTEST_SKIP() << "melt is not installed (scripts/install-deps installs it)";
    // MLT, which both editors read media with, takes the take for 30 frames a second exactly.
    const ToolRun profile = runTool("melt", {video, "-consumer", "xml:"});
    ASSERT_EQ(profile.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(profile.output)
                        .contains(QStringLiteral("frame_rate_num=\"30\" frame_rate_den=\"1\"")))
            << profile.text().left(600).toStdString();
    for (const MltProject::Flavour flavour : {MltProject::Flavour::shotcut, MltProject::Flavour::kdenlive}) {
        const std::string name = MltProject::fileSuffix(flavour).toStdString();
        const ExportResult<QString> project
                = MltProject::exportReel(store.reel(reel.id).value(), store, flavour);
        ASSERT_TRUE(project.ok()) << "export failed: " << int(*project.error());
        const QString rendered
                = dir.filePath(QStringLiteral("render") + MltProject::fileSuffix(flavour) + ".mp4");
        // At the project's own size: a size given to melt's consumer makes
        // it render at 25 fps, whatever the project's profile says.
        const ToolRun melt
                = runTool("melt",
                          {"-quiet", project.value(), "-consumer", "avformat:" + rendered, "vcodec=libx264",
                           "preset=ultrafast", "acodec=aac", "real_time=0", "terminate_on_pause=1"},
                          ToolErrors::withOutput);
        ASSERT_EQ(melt.exitCode, 0) << melt.text().toStdString();
        const ProbedStream r = probeStream(rendered, "v");
        std::cout << "[ ffprobe ] render of the " << name
                  << " project: r_frame_rate=" << r.frameRate.toStdString()
                  << " avg_frame_rate=" << r.averageFrameRate.toStdString() << " nb_frames=" << r.frames
                  << '\n';
        EXPECT_EQ(r.frameRate, QStringLiteral("30/1")) << name;
        EXPECT_EQ(r.frames, v.frames) << name;
        expectWithinAFrame(offsets(rendered, rendered), ("melt render of the " + name + " project").c_str());
    }
}
