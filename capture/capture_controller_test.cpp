#include "capture/capture_controller.h"
#include "capture/media_probe.h"
#include "media/audio_level.h"
#include "platform/display_list.h"
#include "platform/display_name.h"
#include "platform/settings_store.h"
#include "tests/support/run_tool.h"
#include "tests/support/wait_until.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

QString testMic()
{
    return qEnvironmentVariable("TANDREL_TEST_MIC", QStringLiteral("tandrel_mic"));
}

// The indices of the recording streams on the PulseAudio source `name`.
QStringList sourceOutputsOf(const QString &name)
{
    QString sourceIndex;
    for (const QString &line : pactl({"list", "short", "sources"}).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() > 1 && fields[1] == name)
            sourceIndex = fields[0];
    }
    QStringList streams;
    for (const QString &line : pactl({"list", "short", "source-outputs"}).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() > 1 && fields[1] == sourceIndex)
            streams << fields[0];
    }
    return streams;
}

bool hasMicrophone(const CaptureController &c, const QString &id)
{
    const auto mics = c.microphones();
    return std::any_of(mics.begin(), mics.end(), [&](const AudioDevice &m) { return m.id == id; });
}

class CaptureControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("TANDREL_TEST_CAMERA", "1");
        ASSERT_TRUE(dir.isValid());
    }

    // A controller that has finished its start-up.
    std::unique_ptr<CaptureController> activated()
    {
        auto c = std::make_unique<CaptureController>(settings);
        QSignalSpy done(c.get(), &CaptureController::activated);
        c->activate();
        EXPECT_TRUE(waitUntil([&] { return done.count() > 0; }, 15000));
        return c;
    }

    // The next preview picture after the call.
    static QImage nextPreview(CaptureController &c, int ms = 5000)
    {
        QImage image;
        auto connection = QObject::connect(&c, &CaptureController::previewFrame,
                                           [&](const QImage &frame) { image = frame; });
        waitUntil([&] { return !image.isNull(); }, ms);
        QObject::disconnect(connection);
        return image;
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
};

} // namespace

TEST_F(CaptureControllerTest, StartUpListsTheTestCameraBothScreensAndTheMicrophoneAndSelectsTheCamera)
{
    auto c = activated();
    // The whole listing is tandrelctl devices' test (cli/command_devices_test.cpp),
    // the hidden monitor sources the hot-plug test's; screens are named after their displays.
    const QList<DisplayInfo> displays = DisplayList::instance()->displays();
    ASSERT_EQ(displays.size(), 2);
    ASSERT_EQ(c->videoSources().size(), 3);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(c->videoSources()[i + 1].name, displayName(displays[i], displays));
    EXPECT_TRUE(hasMicrophone(*c, testMic()));

    EXPECT_EQ(c->selectedVideoSourceID(), QStringLiteral("test-camera"));
    EXPECT_EQ(c->selectedMicrophoneID(), c->microphones().first().id);
    EXPECT_TRUE(c->readyForHotplug());
    EXPECT_TRUE(waitUntil([&] { return c->status() == CaptureStatus::live && c->isRunning(); }));
    EXPECT_EQ(c->videoDeviceInput(), QStringLiteral("test-camera"));
    EXPECT_EQ(c->audioDeviceInput(), c->selectedMicrophoneID());
    EXPECT_FALSE(c->usesScreenPreview());
    EXPECT_DOUBLE_EQ(c->previewAspect(), 1920.0 / 1080.0);
    EXPECT_FALSE(c->lastError().has_value());
}

TEST_F(CaptureControllerTest, TestCameraPicturesAndMicrophoneBuffersShareOneClock)
{
    auto c = activated();
    std::mutex lock;
    std::vector<AudioBuffer> buffers;
    c->setAudioTap([&](const AudioBuffer &b) {
        std::lock_guard guard(lock);
        buffers.push_back(b);
    });
    // On a busy machine the first frames may lack a late half; the two
    // colours arrive as soon as both sources deliver.
    QImage frame;
    QColor left, right;
    ASSERT_TRUE(waitUntil(
            [&] {
                frame = nextPreview(*c);
                left = meanColour(frame, QRect(0, 0, frame.width() / 2, frame.height()));
                right = meanColour(frame, QRect(frame.width() / 2, 0, frame.width() / 2, frame.height()));
                return left.red() > left.blue() + 50 && right.blue() > right.red() + 50;
            },
            30000))
            << left.name().toStdString() << " " << right.name().toStdString();
    EXPECT_EQ(frame.size(), QSize(1920, 1080));
    waitUntil([] { return false; }, 200);
    EXPECT_NE(nextPreview(*c).copy(), frame.copy()); // the pattern moves

    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return buffers.size() >= 10;
    }));
    c->setAudioTap({});
    std::lock_guard guard(lock);
    const AudioBuffer &first = buffers.front();
    EXPECT_GT(first.format.sampleRate, 0);
    EXPECT_GT(first.format.channels, 0);
    EXPECT_NE(first.format.sampleFormat, SampleFormat::Other);
    for (const AudioBuffer &b : buffers)
        EXPECT_EQ(b.data.size(), b.frames * b.format.bytesPerFrame());
    for (size_t i = 1; i < buffers.size(); ++i)
        EXPECT_GT(buffers[i].time, buffers[i - 1].time);
    // Both kinds of sample carry the monotonic clock's time: a buffer captured
    // now is stamped within a second of the clock's reading.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    EXPECT_NEAR(buffers.back().time, double(now.tv_sec) + now.tv_nsec / 1e9, 1.0);
}

TEST_F(CaptureControllerTest, HotPluggedMicrophoneAppearsAndLosingTheSelectedOneFallsBackToTheFirst)
{
    auto c = activated();
    const QString original = *c->selectedMicrophoneID();
    const QString sinkModule = pactl({"load-module", "module-null-sink", "sink_name=hotplug_sink"});
    const QString micModule
            = pactl({"load-module", "module-remap-source", "master=hotplug_sink.monitor",
                     "source_name=hotplug_mic", "source_properties=device.description=Zweitmikrofon"});

    ASSERT_TRUE(waitUntil([&] { return hasMicrophone(*c, QStringLiteral("hotplug_mic")); }));
    EXPECT_FALSE(hasMicrophone(*c, QStringLiteral("hotplug_sink.monitor")));
    EXPECT_EQ(c->selectedMicrophoneID(), original);

    c->setSelectedMicrophoneID(QStringLiteral("hotplug_mic"));
    c->scheduleReconfigure();
    ASSERT_TRUE(waitUntil([&] { return c->audioDeviceInput() == QStringLiteral("hotplug_mic"); }));

    // The desktop's sound settings move the stream to the other source: the
    // sound goes on and the user is told where it comes from. A stream that a
    // late reconfiguration has rebuilt meanwhile is moved again.
    const CaptureNotice moved{
            .kind = CaptureNotice::Kind::soundMoved, .from = "Zweitmikrofon", .to = "Testmikrofon"};
    EXPECT_TRUE(waitUntil(
            [&] {
                for (const QString &stream : sourceOutputsOf("hotplug_mic"))
                    pactl({"move-source-output", stream, testMic()});
                return waitUntil([&] { return c->lastError() == moved; }, 2000);
            },
            30000));

    pactl({"unload-module", micModule});
    EXPECT_TRUE(waitUntil([&] { return !hasMicrophone(*c, QStringLiteral("hotplug_mic")); }));
    EXPECT_TRUE(waitUntil([&] {
        return c->lastError()
                == CaptureNotice{.kind = CaptureNotice::Kind::deviceFailed,
                                 .device = CaptureNotice::Device::microphone,
                                 .source = {SourceFailure::Kind::gone}};
    }));
    EXPECT_EQ(c->selectedMicrophoneID(), c->microphones().first().id);
    EXPECT_TRUE(waitUntil([&] { return c->audioDeviceInput() == c->microphones().first().id; }));
    EXPECT_EQ(c->selectedVideoSourceID(), QStringLiteral("test-camera"));
    pactl({"unload-module", sinkModule});
}

TEST_F(CaptureControllerTest, SelectingAScreenStreamsPicturesOfThatScreensSize)
{
    auto c = activated();
    for (const DisplayInfo &display : DisplayList::instance()->displays()) {
        const QString id = QStringLiteral("screen:%1").arg(display.number);
        c->selectVideoSource(id);
        ASSERT_TRUE(waitUntil([&] {
            return c->usesScreenPreview() && c->videoDeviceInput() == std::nullopt;
        })) << id.toStdString();
        EXPECT_EQ(c->status(), CaptureStatus::live);
        EXPECT_TRUE(c->isRunning()); // the microphone keeps the session running
        EXPECT_EQ(c->audioDeviceInput(), c->selectedMicrophoneID());
        EXPECT_DOUBLE_EQ(c->previewAspect(), double(display.geometry.width()) / display.geometry.height());
        const QImage frame = nextPreview(*c);
        EXPECT_EQ(frame.size(), display.geometry.size()) << id.toStdString();
    }
    // A screen delivers 30 pictures a second; the preview takes at most 24 of them.
    int previews = 0;
    auto counting = QObject::connect(c.get(), &CaptureController::previewFrame,
                                     [&](const QImage &) { ++previews; });
    waitUntil([] { return false; }, 1000);
    QObject::disconnect(counting);
    EXPECT_GT(previews, 0);
    EXPECT_LE(previews, 25);

    // Back to the camera: the screen preview ends.
    c->selectVideoSource(QStringLiteral("test-camera"));
    EXPECT_TRUE(waitUntil([&] {
        return !c->usesScreenPreview() && c->videoDeviceInput() == QStringLiteral("test-camera");
    }));
    EXPECT_EQ(nextPreview(*c).size(), QSize(1920, 1080));
}

TEST_F(CaptureControllerTest, OnlyTheLatestOfTwoQuickSelectionsReachesTheSession)
{
    auto c = activated();
    ASSERT_TRUE(waitUntil([&] { return c->videoDeviceInput() == QStringLiteral("test-camera"); }));
    const QString screen = c->videoSources().last().id;
    const auto mic = c->selectedMicrophoneID();
    QSignalSpy screenPreview(c.get(), &CaptureController::usesScreenPreviewChanged);
    QSignalSpy videoInput(c.get(), &CaptureController::videoDeviceInputChanged);
    // The screen request carries a token that a newer selection has already
    // replaced by the time the session queue gets to it.
    c->reconfigure(screen, mic, QUuid::createUuid());
    c->selectVideoSource(std::nullopt);
    // Queued behind both, it gives up at once; its completion marks that
    // they are through.
    bool drained = false;
    c->reconfigure(std::nullopt, mic, QUuid(), [&] { drained = true; });
    ASSERT_TRUE(waitUntil([&] { return drained; }, 10000));
    QCoreApplication::processEvents();

    EXPECT_EQ(c->status(), CaptureStatus::audioOnly);
    EXPECT_EQ(c->videoDeviceInput(), std::nullopt);
    EXPECT_EQ(videoInput.count(), 1); // camera to nothing, never through the screen
    EXPECT_EQ(screenPreview.count(), 0);
    EXPECT_FALSE(c->usesScreenPreview());
}

TEST_F(CaptureControllerTest, StoredFlipsAreLoadedWithoutWritingAndEveryChangeWritesBoth)
{
    settings.setValue(QStringLiteral("capture.flipHorizontal"), true);
    {
        CaptureController c(settings);
        EXPECT_TRUE(c.flipHorizontal());
        EXPECT_FALSE(c.flipVertical());
        EXPECT_FALSE(settings.contains(QStringLiteral("capture.flipVertical")));

        QSignalSpy changed(&c, &CaptureController::flipVerticalChanged);
        c.setFlipVertical(true);
        c.setFlipVertical(true);
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(settings.boolValue(QStringLiteral("capture.flipVertical")), true);
        EXPECT_EQ(settings.boolValue(QStringLiteral("capture.flipHorizontal")), true);
        c.setFlipHorizontal(false);
    }
    SettingsStore reread(dir.filePath(QStringLiteral("settings.ini")));
    CaptureController again(reread);
    EXPECT_FALSE(again.flipHorizontal());
    EXPECT_TRUE(again.flipVertical());
}

TEST_F(CaptureControllerTest, AScreenThatIsNotConnectedLeavesThePreviewWithoutPicture)
{
    auto c = activated();
    c->selectVideoSource(QStringLiteral("screen:77"));
    ASSERT_TRUE(waitUntil([&] { return c->status() == CaptureStatus::noVideoPicture; }));
    EXPECT_EQ(c->lastError(),
              (CaptureNotice{.kind = CaptureNotice::Kind::screenNotStarted,
                             .source = {SourceFailure::Kind::screenNotFound}}));
    EXPECT_FALSE(c->usesScreenPreview());
    EXPECT_EQ(c->videoDeviceInput(), std::nullopt);
    EXPECT_EQ(c->audioDeviceInput(), c->selectedMicrophoneID());
}

TEST_F(CaptureControllerTest, PickingTheScreenPlaceholderBeforeStartUpSelectsTheFirstScreen)
{
    CaptureController c(settings);
    ASSERT_EQ(c.videoSources().last().id, QStringLiteral("screen:request"));
    EXPECT_EQ(c.videoSources().last().name, QString());
    c.selectVideoSource(QStringLiteral("screen:request"));
    const QString first = QStringLiteral("screen:%1").arg(DisplayList::instance()->displays().first().number);
    EXPECT_EQ(c.selectedVideoSourceID(), first);
    EXPECT_EQ(c.videoSources().size(), 3);
    EXPECT_TRUE(waitUntil([&] { return c.usesScreenPreview() && c.status() == CaptureStatus::live; }));
    EXPECT_FALSE(c.lastError().has_value());
}

TEST_F(CaptureControllerTest, ACameraThatDisappearsFallsBackToThePreferredCameraNeverToAScreen)
{
    auto c = activated();
    ASSERT_TRUE(waitUntil([&] { return c->videoDeviceInput() == QStringLiteral("test-camera"); }));
    // The test camera leaves the device list at the next discovery; a
    // PulseAudio sink appearing is the device change that runs it.
    qunsetenv("TANDREL_TEST_CAMERA");
    const QString module = pactl({"load-module", "module-null-sink", "sink_name=trigger_sink"});
    EXPECT_TRUE(waitUntil([&] { return c->videoSources().first().kind == VideoSource::Kind::screen; }));
    EXPECT_EQ(c->selectedVideoSourceID(), std::nullopt);
    EXPECT_TRUE(waitUntil([&] {
        return c->videoDeviceInput() == std::nullopt && c->status() == CaptureStatus::audioOnly;
    }));
    EXPECT_FALSE(c->usesScreenPreview());
    EXPECT_TRUE(c->isRunning());
    pactl({"unload-module", module});
}

// The test camera stands for a capture card on a USB port; a second null sink
// with a source remapped from its monitor, carrying a bus path on the same USB
// device, stands for the card's own sound, which appears after the card.
TEST_F(CaptureControllerTest, ACaptureCardIsRecordedWithItsOwnSoundInsteadOfTheSelectedMicrophone)
{
    qputenv("TANDREL_TEST_CAMERA_BUS_PATH", "pci-0000:00:14.0-usb-0:9:1.0");
    const auto unset = qScopeGuard([] { qunsetenv("TANDREL_TEST_CAMERA_BUS_PATH"); });
    auto c = activated();
    ASSERT_TRUE(waitUntil([&] { return c->audioDeviceInput() == testMic(); }, 15000));

    const QString sinkModule = pactl({"load-module", "module-null-sink", "sink_name=card_sink"});
    const QString soundModule = pactl({"load-module", "module-remap-source", "master=card_sink.monitor",
                                       "source_name=card_sound",
                                       "source_properties=device.bus_path=pci-0000:00:14.0-usb-0:9:1.2"});
    ASSERT_TRUE(waitUntil([&] { return c->audioDeviceInput() == QStringLiteral("card_sound"); }, 15000));
    EXPECT_EQ(c->selectedMicrophoneID(), testMic());
    EXPECT_EQ(c->videoDeviceInput(), QStringLiteral("test-camera"));

    // What is played into the card reaches the recording; nothing plays into
    // the microphone's sink.
    std::atomic<float> loudest = -1000;
    c->setAudioTap([&](const AudioBuffer &b) {
        if (const auto level = audioLevel(b); level && *level > loudest)
            loudest = *level;
    });
    QProcess tone;
    tone.start("gst-launch-1.0",
               {"-q", "audiotestsrc", "is-live=true", "volume=0.5", "!", "pulsesink", "device=card_sink"});
    EXPECT_TRUE(waitUntil([&] { return loudest > -20; }, 20000)) << loudest;
    c->setAudioTap({});
    tone.kill();
    tone.waitForFinished();

    // Without its sound the card is recorded with the selected microphone again.
    pactl({"unload-module", soundModule});
    EXPECT_TRUE(waitUntil([&] { return c->audioDeviceInput() == testMic(); }, 15000));
    pactl({"unload-module", sinkModule});
}
