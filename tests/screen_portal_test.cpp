// Screens shared through the desktop portal, as on a Wayland desktop: a fake
// portal on the private session bus of scripts/test-env --portal hands out a
// green test pattern published into the private PipeWire daemon.

#include "capture/capture_controller.h"
#include "capture/media_probe.h"
#include "platform/user_defaults.h"
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

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString missingShareText = QStringLiteral(
        "Bildschirmfreigabe fehlt. Bitte die Freigabe des Bildschirms im Dialog des Systems erlauben.");
const QString tokenKey = QStringLiteral("capture.screenRestoreToken");

bool isGreen(const QColor &c)
{
    return c.green() > c.red() + 80 && c.green() > c.blue() + 80;
}

class ScreenPortalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
                << "run in scripts/test-env --portal";
        ASSERT_TRUE(dir.isValid());
        qunsetenv("TANDREL_TEST_CAMERA");
        portal.setProcessChannelMode(QProcess::ForwardedChannels);
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

    void startApplication()
    {
        controller = std::make_unique<CaptureController>(defaults);
        QSignalSpy done(controller.get(), &CaptureController::activated);
        controller->activate();
        ASSERT_TRUE(waitUntil([&] { return done.count() > 0; }, 15000));
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

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("settings.ini"))};
    QProcess portal;
    std::unique_ptr<CaptureController> controller;
};

TEST_F(ScreenPortalTest, APickedAndGrantedMonitorIsPreviewedAndRecordedInPortrait)
{
    startApplication();
    ASSERT_EQ(controller->videoSources().size(), 1);
    EXPECT_EQ(controller->videoSources().first().id, screenRequestID);
    EXPECT_EQ(controller->videoSources().first().name, QStringLiteral("Bildschirm (Freigabe…)"));

    QImage preview;
    QObject::connect(controller.get(), &CaptureController::previewFrame, controller.get(),
                     [&](const QImage &image) { preview = image; });
    shareScreen();
    const auto screen = sharedScreen();
    ASSERT_TRUE(screen);
    EXPECT_EQ(controller->selectedVideoSourceID(), screen->id);
    EXPECT_TRUE(screen->name.startsWith(QStringLiteral("Bildschirm: "))) << screen->name.toStdString();
    EXPECT_FALSE(controller->videoSources().contains(VideoSource{
            screenRequestID, QStringLiteral("Bildschirm (Freigabe…)"), VideoSource::Kind::screen}));
    EXPECT_NEAR(controller->previewAspect(), 1920.0 / 1080.0, 1e-6);
    EXPECT_EQ(control(QStringLiteral("Dialogs")).toInt(), 1);
    EXPECT_EQ(defaults.stringValue(tokenKey), QStringLiteral("tandrel-fake-restore-token"));

    ASSERT_TRUE(waitUntil([&] { return !preview.isNull(); }, 20000)) << "no picture from the stream";
    EXPECT_EQ(preview.size(), QSize(1920, 1080));
    EXPECT_TRUE(isGreen(meanColour(preview, QRect(100, 100, 400, 300))));
    QDir().mkpath(QStringLiteral(TANDREL_SCREENSHOT_DIR));
    preview.save(QStringLiteral(TANDREL_SCREENSHOT_DIR "/portal_stream_preview.png"));

    bool finished = false;
    std::optional<Take> take;
    QString error;
    controller->startRecording(dir.filePath(QStringLiteral("takes")), [&](const Result<Take> &r) {
        finished = true;
        if (r.ok())
            take = r.value();
        else
            error = r.error();
    });
    ASSERT_TRUE(waitUntil([&] { return controller->recordedDuration() >= 3.0; }, 30000));
    controller->stopRecording();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 30000));
    ASSERT_TRUE(take) << error.toStdString();
    ASSERT_TRUE(take->videoFileName);
    const QString video = QDir(dir.filePath(QStringLiteral("takes"))).filePath(*take->videoFileName);
    const ProbedStream v = probeStream(video, QStringLiteral("v"));
    EXPECT_EQ(v.codec, QStringLiteral("h264"));
    EXPECT_EQ(v.width, 1080);
    EXPECT_EQ(v.height, 1920);
    EXPECT_NEAR(v.duration, 3.0, 0.6);
    const QImage frame = decodeFrame(video, 1.5);
    ASSERT_EQ(frame.size(), QSize(1080, 1920));
    EXPECT_TRUE(isGreen(meanColour(frame, QRect(100, 100, 880, 1700))));
}

TEST_F(ScreenPortalTest, ARefusedDialogKeepsThePlaceholderAndSaysWhatIsMissing)
{
    startApplication();
    control(QStringLiteral("SetMode"), {QStringLiteral("refuse")});
    QSignalSpy errors(controller.get(), &CaptureController::lastErrorChanged);
    controller->selectVideoSource(screenRequestID);
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 20000));
    EXPECT_EQ(controller->lastError(), missingShareText);
    EXPECT_EQ(controller->selectedVideoSourceID(), std::nullopt);
    EXPECT_FALSE(sharedScreen());
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
    EXPECT_FALSE(defaults.stringValue(tokenKey));
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
    control(QStringLiteral("SetMode"), {QStringLiteral("refuse")});
    startApplication();
    ASSERT_TRUE(waitUntil([&] { return sharedScreen().has_value(); }, 20000));
    EXPECT_EQ(sharedScreen(), first);
    EXPECT_EQ(control(QStringLiteral("Dialogs")).toInt(), 1);
    EXPECT_EQ(control(QStringLiteral("LastRestoreToken")).toString(),
              QStringLiteral("tandrel-fake-restore-token"));
    EXPECT_EQ(controller->lastError(), std::nullopt);

    controller->selectVideoSource(first->id);
    ASSERT_TRUE(waitUntil([&] { return controller->usesScreenPreview(); }, 20000));
}

TEST_F(ScreenPortalTest, SharingEndedDuringATakeInterruptsTheScreenAndKeepsTheTake)
{
    startApplication();
    shareScreen();
    bool finished = false;
    std::optional<Take> take;
    controller->startRecording(dir.filePath(QStringLiteral("takes")), [&](const Result<Take> &r) {
        finished = true;
        if (r.ok())
            take = r.value();
    });
    ASSERT_TRUE(waitUntil([&] { return controller->recordedDuration() >= 1.0; }, 30000));
    control(QStringLiteral("EndStream"));
    ASSERT_TRUE(waitUntil(
            [&] { return controller->statusMessage() == QStringLiteral("Bildschirmquelle unterbrochen"); },
            20000));
    EXPECT_TRUE(controller->lastError().has_value());
    EXPECT_TRUE(controller->isRecording());
    controller->stopRecording();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 30000));
    ASSERT_TRUE(take && take->videoFileName);
    EXPECT_GT(decodableSeconds(QDir(dir.filePath(QStringLiteral("takes"))).filePath(*take->videoFileName)),
              0.5);
    // The screen can be asked for again.
    EXPECT_EQ(controller->videoSources().last().id, screenRequestID);
}

} // namespace
