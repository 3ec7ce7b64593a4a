#include "capture/capture_controller.h"
#include "capture/media_probe.h"
#include "platform/settings_store.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// What a take's completion delivered.
struct Outcome
{
    int calls = 0;
    std::optional<Take> take;
    std::optional<CaptureNotice> error;

    CaptureController::TakeCompletion completion()
    {
        return [this](const Result<Take, CaptureNotice> &r) {
            ++calls;
            if (r.ok())
                take = r.value();
            else
                error = r.error();
        };
    }
};

class TakeRecordingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("TANDREL_TEST_CAMERA", "1");
        ASSERT_TRUE(dir.isValid());
        controller = std::make_unique<CaptureController>(settings);
        QSignalSpy done(controller.get(), &CaptureController::activated);
        controller->activate();
        ASSERT_TRUE(waitUntil([&] { return done.count() > 0; }, 15000));
        ASSERT_EQ(controller->selectedVideoSourceID(), QStringLiteral("test-camera"));
        ASSERT_TRUE(controller->selectedMicrophoneID().has_value());
        ASSERT_TRUE(waitUntil([&] { return controller->videoDeviceInput().has_value(); }, 10000));
        controller->setAudioTap([this](const AudioBuffer &) { ++tapped; });
        waitForSamples(true);
    }

    // Waits until the selected sources deliver: the microphone through the
    // audio tap (which sees every buffer), a camera for half a second more.
    void waitForSamples(bool microphone)
    {
        const int before = tapped;
        if (microphone) {
            ASSERT_TRUE(waitUntil([&] { return tapped > before + 5; }, 10000)) << "no microphone buffers";
        }
        waitUntil([] { return false; }, 500);
    }

    // Selects sources and waits until the session runs with them.
    void select(const std::optional<QString> &video, const std::optional<QString> &mic)
    {
        controller->setSelectedMicrophoneID(mic);
        controller->selectVideoSource(video);
        // A reconfiguration that is superseded at once finishes after the
        // real one; its completion tells that the session has been rebuilt.
        bool finished = false;
        controller->reconfigure(video, mic, QUuid(), [&] { finished = true; });
        ASSERT_TRUE(waitUntil([&] { return finished; }, 10000));
        waitForSamples(mic.has_value());
    }

    // Records for `seconds` into `folder`; `during` runs once the take shows as running.
    Outcome record(double seconds, const QString &folder, const std::function<void()> &during = {})
    {
        Outcome outcome;
        controller->startRecording(folder, outcome.completion());
        EXPECT_TRUE(waitUntil([&] { return controller->isRecording() || outcome.calls > 0; }, 10000));
        if (outcome.calls > 0)
            return outcome;
        QElapsedTimer clock;
        clock.start();
        if (during)
            during();
        waitUntil([&] { return clock.elapsed() >= seconds * 1000; }, int(seconds * 1000) + 1000);
        controller->stopRecording();
        EXPECT_TRUE(waitUntil([&] { return outcome.calls > 0; }, 30000));
        EXPECT_FALSE(controller->isRecording());
        return outcome;
    }

    QString takes() const { return dir.filePath(QStringLiteral("reel/takes")); }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    std::unique_ptr<CaptureController> controller;
    std::atomic<int> tapped{0};
};

const QRegularExpression takeName(QStringLiteral("^\\d{8}-\\d{6}-(video\\.mov|audio\\.m4a)$"));

} // namespace

TEST_F(TakeRecordingTest, AFourSecondTakeOfCameraAndVoiceGivesPortraitVideoMonoAudioAndSpeech)
{
    controller->stopRecording(); // no take: nothing happens
    // Times on the test's clock, which runs from before the start call. The
    // take's own clock starts when its gate opens, which is before the take
    // shows as recording (startedAt): take time = test time - [0, startedAt].
    double startedAt = 0, spokeFrom = 0, spokeTo = 0;
    Outcome second;
    const QDateTime before = QDateTime::currentDateTime();
    QElapsedTimer sinceStart;
    sinceStart.start();
    const Outcome outcome = record(4.0, takes(), [&] {
        startedAt = sinceStart.elapsed() / 1000.0;
        waitUntil([] { return false; }, 600);
        spokeFrom = sinceStart.elapsed() / 1000.0;
        QProcess speak;
        const QString say = "espeak-ng --stdout 'Hello, this is a test of the recording' | paplay --device="
                + qEnvironmentVariable("TANDREL_TEST_SINK", "tandrel_sink");
        speak.start("sh", {"-c", say});
        waitUntil([&] { return speak.state() == QProcess::NotRunning; }, 10000);
        spokeTo = sinceStart.elapsed() / 1000.0;
        // A second start is refused; the first take goes on.
        controller->startRecording(takes(), second.completion());
        EXPECT_TRUE(waitUntil([&] { return second.calls > 0; }));
        EXPECT_TRUE(controller->isRecording());
    });
    const double finishedAt = sinceStart.elapsed() / 1000.0;
    EXPECT_EQ(second.error, CaptureNotice{.kind = CaptureNotice::Kind::recordingRunning});
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.take) << int(outcome.error ? outcome.error->kind : CaptureNotice::Kind{});
    const Take &take = *outcome.take;
    ASSERT_TRUE(take.videoFileName && take.audioFileName);
    EXPECT_TRUE(takeName.match(*take.videoFileName).hasMatch()) << take.videoFileName->toStdString();
    EXPECT_EQ(take.videoFileName->left(15), take.audioFileName->left(15));
    EXPECT_GE(take.duration, std::max(4.0, spokeTo - startedAt));
    EXPECT_LE(take.duration, finishedAt);
    // The take is dated when it started, to the second.
    EXPECT_GE(before.secsTo(take.recordedAt), -1);
    EXPECT_LE(before.secsTo(take.recordedAt), startedAt + 1);
    EXPECT_EQ(controller->status(), CaptureStatus::live);
    EXPECT_FALSE(controller->lastError().has_value());

    const QString videoPath = QDir(takes()).filePath(*take.videoFileName);
    const QString audioPath = QDir(takes()).filePath(*take.audioFileName);
    const ProbedStream v = probeStream(videoPath, QStringLiteral("v"));
    const ProbedStream a = probeStream(audioPath, QStringLiteral("a"));
    // Codecs, profiles and bit rates are the writers' own; the take writes through them.
    EXPECT_EQ(v.width, 1080);
    EXPECT_EQ(v.height, 1920);
    // The test camera sends 30 frames a second; a busy machine drops some
    // rather than queueing them, but none is ever doubled.
    EXPECT_GT(v.frames / v.duration, 10.0);
    EXPECT_LT(v.frames / v.duration, 31.0);
    EXPECT_EQ(a.channels, 1);
    EXPECT_NEAR(v.startTime, 0, 0.05);
    EXPECT_NEAR(a.startTime, 0, 0.05);
    // Neither file runs past the take. On a starved machine the camera's
    // pipeline lags by seconds and the stop does not wait for all of it (the
    // recorder's own test checks which late samples still count), so the
    // video may end early, though never by most of the take.
    EXPECT_LE(v.duration, take.duration + 0.1);
    EXPECT_GT(v.duration, take.duration / 2);
    EXPECT_NEAR(a.duration, take.duration, 0.3);

    // The voice was heard while espeak-ng spoke, and only then.
    ASSERT_FALSE(take.speechIntervals.isEmpty());
    for (const SpeechInterval &s : take.speechIntervals) {
        EXPECT_GE(s.start, spokeFrom - startedAt - 0.5) << s.start;
        EXPECT_LE(s.end, spokeTo + 1.0) << s.end;
        EXPECT_LT(s.start, s.end);
    }
    EXPECT_GT(take.speechIntervals.last().end - take.speechIntervals.first().start, 1.0);
}

TEST_F(TakeRecordingTest, AudioOnlyAndVideoOnlyTakesKeepTheirOneFile)
{
    const QString mic = *controller->selectedMicrophoneID();
    const CaptureNotice videoOnlyAudio{.kind = CaptureNotice::Kind::audioOnly};
    const struct
    {
        std::optional<QString> video, mic;
        bool hasVideo, hasAudio;
        CaptureStatus status;
        std::optional<CaptureNotice> error;
    } cases[] = {
            {std::nullopt, mic, false, true, CaptureStatus::audioOnly, std::nullopt},
            {QStringLiteral("test-camera"), std::nullopt, true, false, CaptureStatus::live, std::nullopt},
            // A camera that has gone away sends nothing: the take keeps its sound.
            {QStringLiteral("/dev/v4l/by-id/missing-camera"), mic, false, true, CaptureStatus::live,
             videoOnlyAudio},
    };
    for (const auto &c : cases) {
        controller->setLastError(std::nullopt);
        select(c.video, c.mic);
        // Whatever of the selection is there keeps the session running.
        EXPECT_TRUE(controller->isRunning());
        EXPECT_EQ(controller->audioDeviceInput(), c.mic);
        EXPECT_EQ(controller->status(), c.status);
        const QStringList before = QDir(takes()).entryList(QDir::Files);
        const Outcome outcome = record(1.5, takes());
        ASSERT_TRUE(outcome.take) << int(outcome.error ? outcome.error->kind : CaptureNotice::Kind{});
        EXPECT_EQ(outcome.take->videoFileName.has_value(), c.hasVideo);
        EXPECT_EQ(outcome.take->audioFileName.has_value(), c.hasAudio);
        EXPECT_EQ(controller->status(), c.status);
        EXPECT_EQ(controller->lastError(), c.error);
        // Exactly the take's files were added; an empty one was deleted.
        const QStringList after = QDir(takes()).entryList(QDir::Files);
        EXPECT_EQ(after.size() - before.size(), int(c.hasVideo) + int(c.hasAudio));
        for (const auto &name : {outcome.take->videoFileName, outcome.take->audioFileName}) {
            if (name) {
                EXPECT_GT(QFileInfo(QDir(takes()).filePath(*name)).size(), 64);
            }
        }
    }
}

TEST_F(TakeRecordingTest, StartRefusalsTellWhy)
{
    // Nothing selected: no session, and a start is refused with no error
    // shown and no folder touched.
    select(std::nullopt, std::nullopt);
    EXPECT_EQ(controller->status(), CaptureStatus::noSource);
    EXPECT_FALSE(controller->isRunning());
    Outcome none;
    controller->startRecording(takes(), none.completion());
    ASSERT_TRUE(waitUntil([&] { return none.calls > 0; }));
    EXPECT_EQ(none.error, CaptureNotice{.kind = CaptureNotice::Kind::noSourceChosen});
    EXPECT_FALSE(controller->lastError().has_value());
    EXPECT_FALSE(QFileInfo::exists(takes()));

    // A folder that cannot be made. (A take stopped before any sample
    // arrived is take_recorder_test.cpp's.)
    select(std::nullopt, controller->microphones().first().id);
    ASSERT_TRUE(writeFile(dir.filePath("file"), {}));
    Outcome blocked;
    controller->startRecording(dir.filePath(QStringLiteral("file/takes")), blocked.completion());
    ASSERT_TRUE(waitUntil([&] { return blocked.calls > 0; }));
    EXPECT_EQ(blocked.error,
              (CaptureNotice{.kind = CaptureNotice::Kind::folderNotCreated,
                             .path = dir.filePath(QStringLiteral("file/takes"))}));
    EXPECT_EQ(controller->lastError(), blocked.error);
    EXPECT_FALSE(controller->isRecording());
}

TEST_F(TakeRecordingTest, TakesWithinTheSameSecondNeverReplaceEarlierFiles)
{
    // Files named for this second and the next few already exist.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList occupied;
    for (int s = 0; s < 6; ++s) {
        const QString stamp = now.addSecs(s).toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (const char *suffix : {"-video.mov", "-audio.m4a"}) {
            occupied << QDir(takes()).filePath(stamp + QLatin1String(suffix));
            ASSERT_TRUE(writeFile(occupied.last(), "earlier take"));
        }
    }
    const Outcome outcome = record(1.0, takes());
    ASSERT_TRUE(outcome.take) << int(outcome.error ? outcome.error->kind : CaptureNotice::Kind{});
    ASSERT_TRUE(outcome.take->videoFileName && outcome.take->audioFileName);
    EXPECT_TRUE(outcome.take->videoFileName->endsWith(QLatin1String("-2-video.mov")))
            << outcome.take->videoFileName->toStdString();
    EXPECT_TRUE(outcome.take->audioFileName->endsWith(QLatin1String("-2-audio.m4a")));
    for (const QString &path : occupied)
        EXPECT_EQ(readFile(path), QByteArray("earlier take")) << path.toStdString();
}

// A device that fails while a take runs ends the take: the status says which
// one, the take keeps what its files hold, and lastError tells why and how
// much that is.
TEST_F(TakeRecordingTest, ADeviceThatFailsDuringATakeEndsItWithWhatItsFilesHold)
{
    const QString mic = qEnvironmentVariable("TANDREL_TEST_MIC", QStringLiteral("tandrel_mic"));
    const struct
    {
        const char *name;
        CaptureStatus status;
        CaptureNotice::Device device;
        SourceFailure::Kind reason;
    } cases[] = {
            {"microphone removed", CaptureStatus::microphoneInterrupted, CaptureNotice::Device::microphone,
             SourceFailure::Kind::gone},
            {"camera stops delivering", CaptureStatus::cameraInterrupted, CaptureNotice::Device::camera,
             SourceFailure::Kind::noData},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const bool camera = QByteArray(c.name).startsWith("camera");
        // The test camera ends its stream after 150 frames, about five seconds.
        if (camera)
            qputenv("TANDREL_TEST_CAMERA_FRAMES", "150");
        select(QStringLiteral("test-camera"), mic);
        controller->setLastError(std::nullopt);
        QList<CaptureStatus> statuses;
        const auto watching = QObject::connect(controller.get(), &CaptureController::statusChanged,
                                               [&] { statuses << controller->status(); });
        Outcome outcome;
        controller->startRecording(takes(), outcome.completion());
        ASSERT_TRUE(waitUntil([&] { return controller->isRecording(); }, 10000));
        if (!camera) {
            waitUntil([] { return false; }, 2000);
            const QString modules = pactl({"list", "short", "modules"});
            QString module;
            for (const QString &line : modules.split(QLatin1Char('\n')))
                if (line.contains(QLatin1String("source_name=") + mic))
                    module = line.section(QLatin1Char('\t'), 0, 0);
            ASSERT_FALSE(module.isEmpty()) << modules.toStdString();
            pactl({"unload-module", module});
        }
        // Nobody stops the take.
        ASSERT_TRUE(waitUntil([&] { return outcome.calls > 0; }, 60000));
        QObject::disconnect(watching);
        qunsetenv("TANDREL_TEST_CAMERA_FRAMES");
        if (!camera) {
            pactl({"load-module", "module-remap-source", "master=tandrel_sink.monitor",
                   QStringLiteral("source_name=") + mic,
                   "source_properties=device.description=Testmikrofon"});
            pactl({"set-default-source", mic});
        }
        EXPECT_TRUE(statuses.contains(c.status)) << statuses.size() << " statuses";
        ASSERT_TRUE(outcome.take) << int(outcome.error ? outcome.error->kind : CaptureNotice::Kind{});
        const Take &take = *outcome.take;
        ASSERT_TRUE(take.videoFileName && take.audioFileName);
        const double video = decodableSeconds(QDir(takes()).filePath(*take.videoFileName));
        const double audio = decodableSeconds(QDir(takes()).filePath(*take.audioFileName));
        EXPECT_GT(std::min(video, audio), 1.0);
        EXPECT_NEAR(take.duration, std::max(video, audio), 0.3);
        EXPECT_EQ(controller->lastError(),
                  (CaptureNotice{.kind = CaptureNotice::Kind::aborted,
                                 .device = c.device,
                                 .source = {c.reason},
                                 .seconds = take.duration}));
    }
}
