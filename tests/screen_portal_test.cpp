// Screens shared through the desktop portal, as on a Wayland desktop: a fake
// portal on the private session bus of scripts/test-env --portal hands out a
// green test pattern published into the private PipeWire daemon.
// ScreenResizeTest runs in scripts/test-env --xvnc instead, on an X server
// whose resolution xrandr can change.

#include "capture/capture_controller.h"
#include "capture/media_probe.h"
#include "platform/settings_store.h"
#include "tests/support/tandrelctl_run.h"
#include "tests/support/wait_until.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
const CaptureNotice missingShare{.kind = CaptureNotice::Kind::screenAccessMissing};
const QString tokenKey = QStringLiteral("capture.screenRestoreToken");

bool isGreen(const QColor &c)
{
    return c.green() > c.red() + 80 && c.green() > c.blue() + 80;
}

// A controller with the screen as its only picture; `preview` holds the
// newest preview picture.
class ScreenTest : public ::testing::Test
{
protected:
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

class ScreenPortalTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
                << "run in scripts/test-env --portal";
        ScreenTest::SetUp();
        portal.setProcessChannelMode(QProcess::ForwardedChannels);
        // A test run that crashes takes its portal along.
        portal.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        portal.start(QStringLiteral(TANDREL_FAKE_PORTAL), {});
        ASSERT_TRUE(waitUntil(
                [] {
                    return QDBusConnection::sessionBus().interface()->isServiceRegistered(portalName).value();
                },
                15000));
    }

    void TearDown() override
    {
        controller.reset();
        portal.terminate();
        portal.waitForFinished(10000);
    }

    QVariant control(const QString &method, const QVariantList &arguments = {})
    {
        QDBusInterface fake(portalName, QStringLiteral("/org/tandrel/FakePortal"),
                            QStringLiteral("org.tandrel.FakePortal"));
        const QDBusMessage reply = fake.callWithArgumentList(QDBus::Block, method, arguments);
        return reply.arguments().value(0);
    }

    std::optional<VideoSource> sharedScreen() const
    {
        for (const VideoSource &s : controller->videoSources())
            if (s.kind == VideoSource::Kind::screen && s.id != screenRequestID)
                return s;
        return std::nullopt;
    }

    // Picks the placeholder, as the presenter does, and waits for the
    // stream's first picture (the stream counts as started before it).
    void shareScreen()
    {
        QSignalSpy pictures(controller.get(), &CaptureController::previewFrame);
        controller->selectVideoSource(screenRequestID);
        ASSERT_TRUE(waitUntil([&] { return controller->usesScreenPreview(); }, 20000)) << "no stream";
        ASSERT_TRUE(waitUntil([&] { return pictures.count() > 0; }, 20000)) << "no picture";
    }

    QProcess portal;
};

TEST_F(ScreenPortalTest, ARefusedDialogKeepsThePlaceholderAndSaysWhatIsMissing)
{
    startApplication();
    control("SetMode", {"refuse"});
    QSignalSpy errors(controller.get(), &CaptureController::lastErrorChanged);
    controller->selectVideoSource(screenRequestID);
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 20000));
    EXPECT_EQ(controller->lastError(), missingShare);
    EXPECT_EQ(controller->selectedVideoSourceID(), std::nullopt);
    EXPECT_FALSE(sharedScreen());
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
    EXPECT_FALSE(settings.stringValue(tokenKey));
    EXPECT_FALSE(controller->usesScreenPreview());
}

TEST_F(ScreenPortalTest, TheStoredTokenSharesTheMonitorAgainAfterARestartWithoutTheDialog)
{
    startApplication();
    shareScreen();
    const auto first = sharedScreen();
    ASSERT_TRUE(first);
    controller.reset();

    // A dialog would now refuse: only the token can bring the monitor back.
    control("SetMode", {"refuse"});
    startApplication();
    ASSERT_TRUE(waitUntil([&] { return sharedScreen().has_value(); }, 20000));
    EXPECT_EQ(sharedScreen(), first);
    EXPECT_EQ(control("Dialogs").toInt(), 1);
    EXPECT_EQ(control("LastRestoreToken").toString(), QStringLiteral("tandrel-fake-restore-token"));
    EXPECT_EQ(controller->lastError(), std::nullopt);

    controller->selectVideoSource(first->id);
    ASSERT_TRUE(waitUntil([&] { return controller->usesScreenPreview(); }, 20000));
}

TEST_F(ScreenPortalTest, SharingEndedDuringATakeInterruptsTheScreenAndKeepsTheTake)
{
    startApplication();
    shareScreen();
    const QString video = recordWhile([&] {
        control("EndStream");
        EXPECT_TRUE(
                waitUntil([&] { return controller->status() == CaptureStatus::screenInterrupted; }, 20000));
        EXPECT_TRUE(controller->lastError().has_value());
    });
    ASSERT_FALSE(video.isEmpty());
    EXPECT_GT(decodableSeconds(video), 0.5);
    // The screen can be asked for again.
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
}

TEST_F(ScreenPortalTest, AMonitorChangingItsResolutionMidStreamIsFollowedByThePreviewAndTheTake)
{
    startApplication();
    shareScreen();
    expectPreviewOfSize(QSize(1920, 1080));
    // Narrower, then portrait: the crop frame then covers the whole width.
    const QString video = recordAcross({QSize(1280, 1024), QSize(1080, 1920)}, [&](const QSize &size) {
        control("SetSize", {size.width(), size.height()});
    });
    EXPECT_LT(controller->previewAspect(), 1.0);
    ASSERT_FALSE(video.isEmpty());
    // The monitor's picture from the first size to the last.
    for (const double at : {0.5, decodableSeconds(video) - 0.3})
        EXPECT_TRUE(isGreen(meanColour(decodeFrame(video, at), QRect(100, 100, 880, 1700)))) << at;
}

// A script that asks for the screen and gets no picture at all learns it
// from the exit status; the take keeps its sound.
TEST_F(ScreenPortalTest, TheRecordCommandFailsWhenTheSharedScreenSendsNoPicture)
{
    control("SetSending", {"never"});
    ASSERT_TRUE(writeFile(dir.filePath("reel.md"), "# 7 Bildschirm\nHallo Welt"));
    // The session's runtime folder stays: the portal's PipeWire lives there.
    Tandrelctl ctl({}, dir.filePath("lib"));
    ctl.environment().insert("HOME", dir.path());
    ctl.environment().insert("XDG_CONFIG_HOME", dir.filePath("config"));
    ASSERT_EQ(ctl.run({"import", dir.filePath("reel.md")}).exitCode, 0);

    const CtlRun recorded = ctl.run({"record", "--reel", "7", "--seconds", "2", "--video", screenRequestID});
    EXPECT_TRUE(refused(recorded, 1, "Keine Videobilder empfangen. Take enthält nur Audio."));
    const QStringList kept = QDir(dir.filePath("lib/007-bildschirm/takes")).entryList(QDir::Files);
    EXPECT_EQ(kept.filter(".m4a").size(), 1) << kept.join(", ").toStdString();
    EXPECT_TRUE(kept.filter(".mov").isEmpty()) << kept.join(", ").toStdString();
}

// On X11 a resolution change (RandR) of the recorded screen re-cuts the grab,
// whether a take runs or not, and the screen stays selected.
class ScreenResizeTest : public ScreenTest
{
protected:
    static void setResolution(const QSize &size)
    {
        const ToolRun xrandr
                = runTool("xrandr", {"-s", QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
        ASSERT_EQ(xrandr.exitCode, 0) << "run in scripts/test-env --xvnc";
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
    // Larger than at the start, then smaller again, while a take runs.
    recordAcross({QSize(1920, 1200), QSize(1024, 768)}, [](const QSize &size) { setResolution(size); });
    EXPECT_EQ(controller->selectedVideoSourceID(), screen);
    ASSERT_EQ(controller->screenSources().size(), 1);
    EXPECT_EQ(controller->screenSources().first().id, screen);
    EXPECT_TRUE(controller->usesScreenPreview());
    EXPECT_EQ(controller->lastError(), std::nullopt);
}

} // namespace
