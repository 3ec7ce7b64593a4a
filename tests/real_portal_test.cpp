// A screen shared through the desktop's real services, as on a wlroots
// desktop: scripts/test-env --sway runs sway on a headless 1280x720 output,
// PipeWire with WirePlumber, xdg-desktop-portal and its wlr back end. Its
// share dialog is a chooser that picks the output named in the file
// TANDREL_PORTAL_ANSWER (empty: refused) and notes each time it is shown in
// TANDREL_PORTAL_DIALOGS. The output shows a solid colour (swaybg, set
// through swaymsg), so each recorded picture can be told apart. Each test
// runs in a desktop of its own: the wlr back end sends a picture only when
// the screen changes, and a second share of a still screen gets no first
// picture.

#include "capture/media_probe.h"
#include "tests/support/screen_capture_fixture.h"
#include "tests/support/test_files.h"

#include <QFile>
#include <algorithm>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QColor blue(30, 70, 200);
const QColor red(210, 40, 40);
const QColor green(40, 180, 60);

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40
            && std::abs(a.blue() - b.blue()) < 40;
}

std::string text(const QColor &c)
{
    return c.name().toStdString();
}

class RealPortalTest : public ScreenCaptureFixture
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("SWAYSOCK")) << "run in scripts/test-env --sway";
        ScreenCaptureFixture::SetUp();
    }

    static void sway(const QStringList &command)
    {
        const ToolRun run = runTool("swaymsg", command, ToolErrors::withOutput, 20000);
        ASSERT_EQ(run.exitCode, 0) << command.join(' ').toStdString() << ": " << run.text().toStdString();
    }

    // What the share dialog answers from now on: the output it picks, or
    // none to refuse.
    static void answerDialog(const QString &output)
    {
        ASSERT_TRUE(writeFile(qEnvironmentVariable("TANDREL_PORTAL_ANSWER"), output.toUtf8() + '\n'));
    }

    static int dialogsShown()
    {
        QFile log(qEnvironmentVariable("TANDREL_PORTAL_DIALOGS"));
        return log.open(QIODevice::ReadOnly) ? int(log.readAll().count('\n')) : 0;
    }

    // The preview's colour in the middle of the screen.
    QColor previewColour() const
    {
        return preview.isNull() ? QColor()
                                : meanColour(preview, QRect(preview.width() / 2 - 100, preview.height() / 2 - 100,
                                                            200, 200));
    }

    bool previewShows(const QColor &colour) const
    {
        return !preview.isNull() && near(previewColour(), colour);
    }

    // Paints the screen and waits until the shared picture shows it. swaybg
    // is started anew for each paint, and the wlr back end can miss the new
    // background's first commit (then it shows sway's grey until the screen
    // changes again), so the paint is repeated while the picture is not there.
    bool showOnScreen(const QColor &colour)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            // The whole output in `colour`; the compositor shows it a moment later.
            sway({"output", "HEADLESS-1", "bg", colour.name(), "solid_color"});
            if (waitUntil([&] { return previewShows(colour); }, 3000))
                return true;
        }
        return false;
    }

    std::optional<VideoSource> sharedScreen() const
    {
        for (const VideoSource &s : controller->videoSources())
            if (s.kind == VideoSource::Kind::screen && s.id != screenRequestID)
                return s;
        return std::nullopt;
    }

    // Starts the capture and shares the output through the portal, as
    // picking "Bildschirm (Freigabe…)" does, with the screen showing
    // `colour`. A still screen sends its first picture only when it changes,
    // so the colour is painted once shared.
    void shareScreenShowing(const QColor &colour)
    {
        startApplication();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(controller->videoSources().value(0).id, screenRequestID);
        controller->selectVideoSource(screenRequestID);
        ASSERT_TRUE(waitUntil([&] { return controller->usesScreenPreview(); }, 60000))
                << "no stream: " << (controller->lastError() ? int(controller->lastError()->kind) : -1);
        ASSERT_TRUE(showOnScreen(colour)) << "picture: " << text(previewColour());
        EXPECT_EQ(preview.size(), QSize(1280, 720));
        EXPECT_NEAR(controller->previewAspect(), 1280.0 / 720.0, 1e-6);
        EXPECT_EQ(controller->lastError(), std::nullopt);
        // The granted monitor takes the request's place in the list, by name.
        const QList<VideoSource> sources = controller->videoSources();
        EXPECT_FALSE(std::any_of(sources.begin(), sources.end(),
                                 [](const VideoSource &s) { return s.id == screenRequestID; }));
        const auto shared = std::find_if(sources.begin(), sources.end(), [&](const VideoSource &s) {
            return s.id == controller->selectedVideoSourceID();
        });
        ASSERT_NE(shared, sources.end());
        EXPECT_FALSE(shared->name.isEmpty());
    }

    // Records a take during which `during` runs; stops it once the take is 3
    // seconds long and returns its video file, checked for its length and
    // its frame rate.
    QString recordTake(const std::function<void()> &during)
    {
        const QString video = recordWhile([&] {
            during();
            EXPECT_TRUE(recordedFor(3.0));
        });
        if (video.isEmpty())
            return {};
        const ProbedStream v = probeStream(video, "v");
        EXPECT_EQ(v.width, 1080);
        EXPECT_EQ(v.height, 1920);
        EXPECT_GT(take->duration, 2.9);
        // Pictures to the end of the take at its frame rate, however seldom
        // the screen changed: the last picture is repeated.
        EXPECT_EQ(v.frameRate, QStringLiteral("30/1"));
        EXPECT_EQ(v.averageFrameRate, QStringLiteral("30/1"));
        EXPECT_NEAR(double(v.frames), take->duration * 30, 9);
        EXPECT_NEAR(v.duration, take->duration, 0.5);
        EXPECT_GT(decodableSeconds(video), take->duration - 0.5);
        return video;
    }

    // The recorded picture's colour at `seconds`, in the middle of the frame.
    static QColor recordedColour(const QString &video, double seconds)
    {
        const QImage frame = decodeFrame(video, seconds);
        return frame.isNull() ? QColor() : meanColour(frame, QRect(340, 760, 400, 400));
    }
};

TEST_F(RealPortalTest, AStillScreenIsRecordedThroughoutTheTake)
{
    shareScreenShowing(blue);
    if (HasFatalFailure())
        return;

    const QString video = recordTake([] {});
    ASSERT_FALSE(video.isEmpty());
    for (const double at : {0.2, 1.5, 2.7})
        EXPECT_TRUE(near(recordedColour(video, at), blue)) << at << "s: " << text(recordedColour(video, at));
}

TEST_F(RealPortalTest, AChangingScreenIsRecordedAsItChanges)
{
    shareScreenShowing(blue);
    if (HasFatalFailure())
        return;

    // The take's time at which each colour was first seen in the preview.
    double redSeen = 0, greenSeen = 0;
    const QString video = recordTake([&] {
        ASSERT_TRUE(recordedFor(0.8));
        ASSERT_TRUE(showOnScreen(red)) << text(previewColour());
        redSeen = controller->recordedDuration();
        ASSERT_TRUE(recordedFor(redSeen + 0.8));
        ASSERT_TRUE(showOnScreen(green)) << text(previewColour());
        greenSeen = controller->recordedDuration();
        ASSERT_TRUE(recordedFor(std::max(greenSeen + 0.8, 3.0)));
    });
    ASSERT_FALSE(video.isEmpty());
    ASSERT_GT(greenSeen, redSeen);
    const struct
    {
        double at;
        QColor colour;
    } expected[] = {{0.2, blue}, {redSeen + 0.3, red}, {greenSeen + 0.3, green}};
    for (const auto &e : expected)
        EXPECT_TRUE(near(recordedColour(video, e.at), e.colour))
                << e.at << "s: " << text(recordedColour(video, e.at)) << ", expected " << text(e.colour);
}

TEST_F(RealPortalTest, ARefusedDialogKeepsThePlaceholderAndSaysWhatIsMissing)
{
    answerDialog({});
    startApplication();
    ASSERT_FALSE(HasFatalFailure());
    QSignalSpy errors(controller.get(), &CaptureController::lastErrorChanged);
    controller->selectVideoSource(screenRequestID);
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 60000));
    EXPECT_EQ(controller->lastError(), CaptureNotice{.kind = CaptureNotice::Kind::screenAccessMissing});
    EXPECT_EQ(dialogsShown(), 1);
    EXPECT_EQ(controller->selectedVideoSourceID(), std::nullopt);
    EXPECT_FALSE(sharedScreen());
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
    EXPECT_FALSE(settings.stringValue(QStringLiteral("capture.screenRestoreToken")));
    EXPECT_FALSE(controller->usesScreenPreview());
}

TEST_F(RealPortalTest, TheStoredTokenSharesTheMonitorAgainAfterARestartWithoutTheDialog)
{
    shareScreenShowing(blue);
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<VideoSource> first = sharedScreen();
    ASSERT_TRUE(first);
    ASSERT_TRUE(settings.stringValue(QStringLiteral("capture.screenRestoreToken")));
    controller.reset();

    // The dialog would now refuse: only the token can bring the monitor back.
    answerDialog({});
    startApplication();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(waitUntil([&] { return sharedScreen().has_value(); }, 60000));
    EXPECT_EQ(sharedScreen(), first);
    EXPECT_EQ(dialogsShown(), 1);
    EXPECT_EQ(controller->lastError(), std::nullopt);
    controller->selectVideoSource(first->id);
    ASSERT_TRUE(waitUntil([&] { return controller->usesScreenPreview(); }, 60000));
    EXPECT_TRUE(showOnScreen(red)) << text(previewColour());
}

TEST_F(RealPortalTest, SharingEndedDuringATakeInterruptsTheScreenAndKeepsTheTake)
{
    shareScreenShowing(blue);
    ASSERT_FALSE(HasFatalFailure());
    const QString video = recordWhile([&] {
        ASSERT_TRUE(recordedFor(1.0));
        // The desktop's screen sharing service ends: its stream goes away.
        const ToolRun ended = runTool("pkill", {"-f", "xdg-desktop-portal-wlr"});
        ASSERT_EQ(ended.exitCode, 0);
        EXPECT_TRUE(waitUntil([&] { return controller->status() == CaptureStatus::screenInterrupted; },
                              60000));
        EXPECT_TRUE(controller->lastError().has_value());
        EXPECT_TRUE(recordedFor(3.0));
    });
    ASSERT_FALSE(video.isEmpty());
    EXPECT_GT(decodableSeconds(video), 0.5);
    EXPECT_TRUE(near(recordedColour(video, 0.5), blue)) << text(recordedColour(video, 0.5));
    // The screen can be asked for again.
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
}

TEST_F(RealPortalTest, AMonitorChangingItsResolutionMidStreamIsFollowedByThePreviewAndTheTake)
{
    shareScreenShowing(blue);
    ASSERT_FALSE(HasFatalFailure());
    // Wider, then portrait: the crop frame then covers the whole width.
    const QString video = recordWhile([&] {
        for (const QSize size : {QSize(1920, 1080), QSize(720, 1280)}) {
            sway({"output", "HEADLESS-1", "resolution", QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
            EXPECT_TRUE(showOnScreen(size.width() > size.height() ? red : green)) << text(previewColour());
            EXPECT_EQ(preview.size(), size);
            EXPECT_NEAR(controller->previewAspect(), double(size.width()) / size.height(), 1e-6);
            EXPECT_TRUE(recordedFor(controller->recordedDuration() + 1.0));
        }
    });
    ASSERT_FALSE(video.isEmpty());
    const ProbedStream v = probeStream(video, "v");
    EXPECT_EQ(v.width, 1080);
    EXPECT_EQ(v.height, 1920);
    // The monitor's picture from the first size to the last: the colour
    // painted after the last change ends the take.
    const double last = decodableSeconds(video) - 0.3;
    EXPECT_TRUE(near(recordedColour(video, 0.3), blue)) << text(recordedColour(video, 0.3));
    EXPECT_TRUE(near(recordedColour(video, last), green)) << text(recordedColour(video, last));
}

} // namespace
