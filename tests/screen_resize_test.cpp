// A shared X11 screen whose resolution changes: scripts/test-env --xvnc
// runs an X server whose resolution xrandr can change.

#include "capture/capture_controller.h"
#include "capture/media_probe.h"
#include "platform/settings_store.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// A controller with the screen as its only picture; `preview` holds the
// newest preview picture. On X11 a resolution change (RandR) of the recorded
// screen re-cuts the grab, whether a take runs or not, and the screen stays
// selected.
class ScreenResizeTest : public ::testing::Test
{
protected:
    static void setResolution(const QSize &size)
    {
        const ToolRun xrandr
                = runTool("xrandr", {"-s", QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
        ASSERT_EQ(xrandr.exitCode, 0) << "run in scripts/test-env --xvnc";
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qunsetenv("TANDREL_TEST_CAMERA");
    }

    void startApplication()
    {
        controller = std::make_unique<CaptureController>(settings);
        QObject::connect(controller.get(), &CaptureController::previewFrame, controller.get(),
                         [this](const QImage &image) { preview = image; });
        QSignalSpy done(controller.get(), &CaptureController::activated);
        controller->activate();
        ASSERT_TRUE(waitUntil([&] { return done.count() > 0; }, 15000));
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

    // Records a take in which `during` runs after its first second; the
    // take's video file, or empty when it has none. `take` holds the take.
    QString recordWhile(const std::function<void()> &during)
    {
        bool finished = false;
        std::optional<CaptureNotice> error;
        take.reset();
        controller->startRecording(dir.filePath("takes"), [&](const Result<Take, CaptureNotice> &r) {
            finished = true;
            if (r.ok())
                take = r.value();
            else
                error = r.error();
        });
        EXPECT_TRUE(waitUntil([&] { return controller->recordedDuration() >= 1.0; }, 30000));
        during();
        EXPECT_TRUE(controller->isRecording());
        controller->stopRecording();
        EXPECT_TRUE(waitUntil([&] { return finished; }, 30000));
        if (!take || !take->videoFileName) {
            ADD_FAILURE() << "no video: " << (error ? int(error->kind) : -1) << " "
                          << (error ? error->detail.toStdString() : std::string());
            return {};
        }
        return QDir(dir.filePath("takes")).filePath(*take->videoFileName);
    }

    // Records a take during which `resize` gives the screen each of `sizes`,
    // a second of recording after each. Checks the preview after every change
    // and returns the take's video file.
    QString recordAcross(const QList<QSize> &sizes, const std::function<void(const QSize &)> &resize)
    {
        const QString video = recordWhile([&] {
            for (const QSize &size : sizes) {
                resize(size);
                expectPreviewOfSize(size);
                const double at = controller->recordedDuration();
                EXPECT_TRUE(waitUntil([&] { return controller->recordedDuration() >= at + 1.0; }, 30000));
            }
        });
        if (video.isEmpty())
            return {};
        // Portrait frames to the end: the picture went on after every change.
        const ProbedStream v = probeStream(video, "v");
        EXPECT_EQ(v.width, 1080);
        EXPECT_EQ(v.height, 1920);
        EXPECT_NEAR(v.duration, take->duration, 0.6);
        EXPECT_GT(decodableSeconds(video), take->duration - 0.6);
        return video;
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    std::unique_ptr<CaptureController> controller;
    QImage preview;
    std::optional<Take> take;
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
    // Larger than at the start, then smaller again, while a take runs.
    recordAcross({QSize(1920, 1200), QSize(1024, 768)}, [](const QSize &size) { setResolution(size); });
    EXPECT_EQ(controller->selectedVideoSourceID(), screen);
    ASSERT_EQ(controller->screenSources().size(), 1);
    EXPECT_EQ(controller->screenSources().first().id, screen);
    EXPECT_TRUE(controller->usesScreenPreview());
    EXPECT_EQ(controller->lastError(), std::nullopt);
}

} // namespace
