// A shared X11 screen whose resolution changes: scripts/test-env --xvnc
// runs an X server whose resolution xrandr can change.

#include "capture/media_probe.h"
#include "tests/support/screen_capture_fixture.h"

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// On X11 a resolution change (RandR) of the recorded screen re-cuts the
// grab, whether a take runs or not, and the screen stays selected.
class ScreenResizeTest : public ScreenCaptureFixture
{
protected:
    static void setResolution(const QSize &size)
    {
        const ToolRun xrandr
                = runTool("xrandr", {"-s", QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
        ASSERT_EQ(xrandr.exitCode, 0) << "run in scripts/test-env --xvnc";
    }

    // The preview shows whole pictures of `size`, and its aspect (and so the
    // crop frame) follows.
    void expectPreviewOfSize(const QSize &size)
    {
        EXPECT_TRUE(waitUntil(
                [&] {
                    return preview.size() == size
                            && qFuzzyCompare(controller->previewAspect(),
                                             double(size.width()) / size.height());
                },
                30000))
                << size.width() << "x" << size.height() << ": preview " << preview.width() << "x"
                << preview.height() << ", aspect " << controller->previewAspect();
    }
};

TEST_F(ScreenResizeTest, TheGrabFollowsTheScreensResolutionInThePreviewAndTheTake)
{
    startApplication();
    ASSERT_EQ(controller->screenSources().size(), 1);
    const QString screen = controller->screenSources().first().id;
    controller->selectVideoSource(screen);
    expectPreviewOfSize(QSize(1920, 1080));

    setResolution(QSize(1280, 1024));
    expectPreviewOfSize(QSize(1280, 1024));
    // Larger than at the start, then smaller again, while a take runs, a
    // second of recording after each change.
    const QString video = recordWhile([&] {
        EXPECT_TRUE(recordedFor(1.0));
        for (const QSize &size : {QSize(1920, 1200), QSize(1024, 768)}) {
            setResolution(size);
            expectPreviewOfSize(size);
            EXPECT_TRUE(recordedFor(controller->recordedDuration() + 1.0));
        }
        EXPECT_TRUE(controller->isRecording());
    });
    if (!video.isEmpty()) {
        // Portrait frames to the end: the picture went on after every change.
        const ProbedStream v = probeStream(video, "v");
        EXPECT_EQ(v.width, 1080);
        EXPECT_EQ(v.height, 1920);
        EXPECT_NEAR(v.duration, take->duration, 0.6);
        EXPECT_GT(decodableSeconds(video), take->duration - 0.6);
    }
    EXPECT_EQ(controller->selectedVideoSourceID(), screen);
    ASSERT_EQ(controller->screenSources().size(), 1);
    EXPECT_EQ(controller->screenSources().first().id, screen);
    EXPECT_TRUE(controller->usesScreenPreview());
    EXPECT_EQ(controller->lastError(), std::nullopt);
}

} // namespace
