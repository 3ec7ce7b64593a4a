#include "capture/media_probe.h"
#include "capture/take_recorder.h"
#include "capture/test_frames.h"
#include "platform/serial_queue.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <future>
#include <optional>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// Seconds of one 1024-frame microphone buffer at 48 kHz.
constexpr double bufferSeconds = 1024.0 / 48000.0;

double rms(const std::vector<float> &samples, double fromSeconds, double toSeconds)
{
    const size_t from = size_t(std::max(0.0, fromSeconds) * 48000);
    const size_t to = std::min(samples.size(), size_t(toSeconds * 48000));
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// A recorder on queues of its own, fed with synthetic frames and buffers
// whose times lie on a clock the test sets: the gate opens at 100 seconds.
class TakeRecorderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        recreate({});
    }
    // A recorder with these limits; a stop waits for every source to pass
    // it, however loaded the machine.
    void recreate(TakeRecorder::Timing timing)
    {
        TakeRecorder::Display display;
        display.status = [this](CaptureStatus value) { status = value; };
        display.lastError = [this](const CaptureNotice &notice) { error = notice; };
        display.videoSourceSelected = [] { return true; };
        timing.captureClock = [this] { return clock.load(); };
        timing.lateSampleWait = std::chrono::seconds(60);
        recorder.reset();
        recorder = std::make_unique<TakeRecorder>(*sessionQueue, *outputQueue, display, timing);
    }
    void TearDown() override
    {
        sessionQueue.reset();
        outputQueue.reset();
        recorder.reset();
    }

    void start(bool video, bool audio)
    {
        clock = 100;
        recorder->startRecording(dir.path(), video ? std::optional(QStringLiteral("camera")) : std::nullopt,
                                 audio ? std::optional(QStringLiteral("mic")) : std::nullopt,
                                 [this](const Result<Take, CaptureNotice> &r) {
                                     ++completions;
                                     result = r;
                                 });
        ASSERT_TRUE(waitUntil([&] { return recorder->isRecording() || completions > 0; }, 30000));
        ASSERT_TRUE(recorder->isCapturing()) << int(result.error().kind);
    }

    // Stops at 101 seconds; `late` runs once the gate has closed, while the
    // stop still lets in what was captured before it. Then every source
    // delivers samples captured after the stop, which end the wait.
    void stop(bool video, bool audio, const std::function<void()> &late = {})
    {
        clock = 101;
        recorder->stopRecording();
        ASSERT_TRUE(waitUntil([&] { return !recorder->isCapturing(); }, 30000));
        if (late)
            late();
        EXPECT_EQ(completions, 0) << "the stop waits until every source has passed it";
        if (video)
            feedVideo(101.05);
        if (audio)
            feedAudio(101.0, 101.2, 0.3f);
        ASSERT_TRUE(waitUntil([&] { return completions > 0; }, 90000));
        EXPECT_EQ(completions, 1);
        EXPECT_FALSE(recorder->isRecording());
    }

    void feedVideo(double time)
    {
        QImage image(320, 180, QImage::Format_RGB32);
        image.fill(Qt::red);
        const VideoFrame frame = VideoFrame::fromImage(image, time);
        outputQueue->postAndWait([&] { recorder->recordVideoFrame(frame); });
    }

    // 1024-frame buffers of a 440 Hz tone from `from` up to `to`.
    void feedAudio(double from, double to, float amplitude)
    {
        for (qint64 i = 0; from + i * bufferSeconds < to - 1e-9; ++i) {
            const AudioBuffer buffer
                    = sineBuffer(48000, 1, i * 1024, 1024, from + i * bufferSeconds, amplitude);
            outputQueue->postAndWait([&] { recorder->recordAudioBuffer(buffer); });
        }
    }

    QString path(const std::optional<QString> &name) const { return QDir(dir.path()).filePath(name.value()); }

    QTemporaryDir dir;
    std::atomic<double> clock{0};
    std::unique_ptr<SerialQueue> sessionQueue = std::make_unique<SerialQueue>("test.session");
    std::unique_ptr<SerialQueue> outputQueue = std::make_unique<SerialQueue>("test.output");
    std::unique_ptr<TakeRecorder> recorder;
    int completions = 0;
    Result<Take, CaptureNotice> result = Result<Take, CaptureNotice>::failure({});
    std::optional<CaptureStatus> status;
    std::optional<CaptureNotice> error;
};

} // namespace

TEST_F(TakeRecorderTest, ATakeHoldsWhatWasCapturedBetweenItsStartAndItsStopWheneverItArrives)
{
    start(false, true);
    // The library leaves the files of a take alone while its lock is held.
    const QStringList locks = QDir(dir.path()).entryList({QStringLiteral("*.lock")}, QDir::Files);
    ASSERT_EQ(locks.size(), 1);
    QLockFile held(QDir(dir.path()).filePath(locks.first()));
    EXPECT_FALSE(held.tryLock(0));
    feedAudio(99.0, 99.5, 0.3f); // captured before the gate opened, arriving now
    feedAudio(100.0, 100.5, 0.3f);
    stop(false, true, [&] {
        feedAudio(100.5, 101.0, 0.3f); // captured before the stop, arriving after it
    });

    ASSERT_TRUE(result.ok()) << int(result.error().kind);
    const Take take = result.value();
    EXPECT_FALSE(take.videoFileName.has_value());
    // 100.0 up to 101.0: the samples from before the start would make it
    // longer at the front, those from after the stop at the end.
    const ProbedStream a = probeStream(path(take.audioFileName), QStringLiteral("a"));
    EXPECT_NEAR(a.startTime + a.duration, 1.0, 0.06);
    EXPECT_GT(rms(decodeAudio(path(take.audioFileName)), 0.05, 0.95), 0.15);
    EXPECT_EQ(status, CaptureStatus::live);
    EXPECT_FALSE(error);
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.lock")}, QDir::Files).isEmpty());
    EXPECT_EQ(locks.first(), take.audioFileName->left(15) + QStringLiteral(".lock"));
}

// A take stopped before any sample arrived keeps no files; what was asked for
// tells what to check.
TEST_F(TakeRecorderTest, ATakeWithoutSamplesLeavesNoFilesAndSaysWhatToCheck)
{
    const struct
    {
        bool video;
        CaptureNotice::Kind notice;
    } cases[] = {
            {true, CaptureNotice::Kind::noPictures},
            {false, CaptureNotice::Kind::noAudio},
    };
    for (const auto &c : cases) {
        completions = 0;
        start(c.video, true);
        stop(c.video, true); // only samples captured after the stop
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error(), CaptureNotice{.kind = c.notice});
        EXPECT_EQ(error, CaptureNotice{.kind = c.notice});
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << "files of the empty take deleted";
    }
}

// A take that cannot go on ends by itself: at its limit with a note, or cut
// short by its writer, keeping what the file holds and telling why.
TEST_F(TakeRecorderTest, ATakeThatCannotGoOnEndsByItselfAndKeepsWhatItsFileHolds)
{
    const struct
    {
        const char *name;
        double takeLimit;
        quint64 reservedSeconds;
        rlim_t fileSizeLimit; // 0: none
        std::optional<WriteFailure> cutShort; // none: the take ends at its limit
    } cases[] = {
            {"limit", 2, 3900, 0, std::nullopt},
            {"index space", 3600, 2, 0, WriteFailure{WriteFailure::Kind::indexFull}},
            // No bigger file than this may be written: it fills up as a disk does.
            {"file that cannot grow", 3600, 60, 100000,
             WriteFailure{WriteFailure::Kind::failed, FileError{EFBIG}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TakeRecorder::Timing timing;
        timing.takeLimit = c.takeLimit;
        timing.reservedSeconds = c.reservedSeconds;
        recreate(timing);
        completions = 0;
        error.reset();
        start(false, true);
        std::optional<FileSizeLimit> full;
        if (c.fileSizeLimit)
            full.emplace(c.fileSizeLimit);
        // Sound until the take stops itself, each buffer offered until the
        // file has taken it; the stop goes through the main thread.
        double t = 100;
        for (qint64 i = 0; t < 160 && recorder->isCapturing(); ++i, t += bufferSeconds) {
            const AudioBuffer buffer = sineBuffer(48000, 1, i * 1024, 1024, t, 0.3f);
            for (const qint64 taken = recorder->audioBuffersTaken();
                 recorder->isCapturing() && recorder->audioBuffersTaken() == taken;) {
                outputQueue->postAndWait([&] { recorder->recordAudioBuffer(buffer); });
                QCoreApplication::processEvents();
            }
        }
        ASSERT_TRUE(waitUntil([&] { return !recorder->isCapturing(); }, 30000));
        full.reset();
        clock = t + 1;
        feedAudio(t + 1, t + 1.2, 0.3f); // tells the stop that the source is through
        ASSERT_TRUE(waitUntil([&] { return completions > 0; }, 90000));
        ASSERT_TRUE(result.ok()) << int(result.error().kind);
        const Take take = result.value();
        ASSERT_TRUE(take.audioFileName);
        const double plays = decodableSeconds(path(take.audioFileName));
        EXPECT_NEAR(take.duration, plays, 0.3);
        EXPECT_LT(take.duration, t - 100);
        ASSERT_TRUE(error);
        if (c.cutShort) {
            EXPECT_GT(take.duration, 0.5);
            EXPECT_EQ(error->kind, CaptureNotice::Kind::aborted);
            EXPECT_EQ(error->write, c.cutShort) << (error->write ? error->write->detail.toStdString() : "");
            EXPECT_EQ(error->seconds, take.duration);
        } else {
            EXPECT_EQ(take.duration, c.takeLimit);
            EXPECT_EQ(error, (CaptureNotice{.kind = CaptureNotice::Kind::takeLimit, .seconds = c.takeLimit}));
        }
        EXPECT_EQ(status, CaptureStatus::live);
    }
}

// A stop that comes while the take's files are still being prepared ends it
// as soon as it has begun: nothing is left behind, the completion runs once,
// and the next take records as usual.
TEST_F(TakeRecorderTest, AStopWhileTheTakeStartsEndsItWithoutFilesAndTheNextOneRecords)
{
    clock = 100;
    // The session queue is held up, as by a reconfiguration, so that the
    // stop surely comes before the files are ready.
    std::promise<void> release;
    sessionQueue->post([held = release.get_future().share()] { held.wait(); });
    recorder->startRecording(dir.path(), std::nullopt, QStringLiteral("mic"),
                             [this](const Result<Take, CaptureNotice> &r) {
                                 ++completions;
                                 result = r;
                             });
    recorder->stopRecording();
    ASSERT_TRUE(waitUntil([&] { return recorder->phase() == TakePhase::starting; }, 30000));
    EXPECT_EQ(completions, 0);
    release.set_value();
    ASSERT_TRUE(waitUntil([&] { return completions > 0; }, 30000));
    EXPECT_EQ(result.error(), CaptureNotice{.kind = CaptureNotice::Kind::endedBeforeStart});
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    ASSERT_TRUE(waitUntil([&] { return recorder->phase() == TakePhase::idle; }, 30000));

    completions = 0;
    start(false, true);
    feedAudio(100.0, 100.8, 0.3f);
    stop(false, true);
    EXPECT_TRUE(result.ok()) << int(result.error().kind);
}

// A file that fails while it is being finished: its failure report comes
// after the stop, the take is handed over once with what it holds and why,
// and the recorder is ready for the next take.
TEST_F(TakeRecorderTest, AFileFailingWhileItIsFinishedHandsTheTakeOverOnce)
{
    TakeRecorder::Timing timing;
    timing.finishTimeout = std::chrono::milliseconds(0);
    recreate(timing);
    for (int take = 0; take < 2; ++take) {
        SCOPED_TRACE(take);
        completions = 0;
        error.reset();
        start(false, true);
        feedAudio(100.0, 100.8, 0.3f);
        stop(false, true);
        ASSERT_TRUE(error && error->write);
        EXPECT_EQ(error->write->kind, WriteFailure::Kind::finishTimedOut);
        ASSERT_TRUE(waitUntil([&] { return recorder->phase() == TakePhase::idle; }, 30000));
        QCoreApplication::processEvents(); // a late failure report changes nothing
        EXPECT_EQ(completions, 1);
    }
}

TEST_F(TakeRecorderTest, TheFirstSampleOfEitherKindStartsBothFilesAtItsTime)
{
    const struct
    {
        const char *first;
        double videoAt, audioFrom; // seconds after the gate opened
    } cases[] = {{"audio", 0.5, 0.0}, {"video", 0.0, 0.5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        completions = 0;
        start(true, true);
        if (c.videoAt < c.audioFrom)
            feedVideo(100 + c.videoAt);
        feedAudio(100 + c.audioFrom, 100.8, 0.3f);
        if (c.videoAt >= c.audioFrom)
            feedVideo(100 + c.videoAt);
        stop(true, true);
        ASSERT_TRUE(result.ok()) << int(result.error().kind);
        const Take take = result.value();
        ASSERT_TRUE(take.videoFileName && take.audioFileName);

        // A first frame after the start also stands for the time before it,
        // and the last one for the time up to the stop.
        const ProbedStream v = probeStream(path(take.videoFileName), QStringLiteral("v"));
        EXPECT_NEAR(v.startTime, 0, 0.01);
        EXPECT_EQ(v.frames, 30);
        EXPECT_EQ(v.averageFrameRate, QStringLiteral("30/1"));
        // Sound that begins after the start is preceded by silence, and
        // sound that ends before the picture is followed by it.
        const ProbedStream a = probeStream(path(take.audioFileName), QStringLiteral("a"));
        EXPECT_NEAR(a.startTime + a.duration, 1.0, 0.002);
        const std::vector<float> audio = decodeAudio(path(take.audioFileName));
        if (c.audioFrom > 0) {
            EXPECT_LT(rms(audio, 0, c.audioFrom - 0.05), 0.01);
        }
        EXPECT_GT(rms(audio, c.audioFrom + 0.05, 0.75), 0.15);
        EXPECT_LT(rms(audio, 0.82, 1.0), 0.01);
    }
}

// A still screen sends a picture only when it changes: the picture that came
// before the take shows for all of it. A take that was asked for video and
// got no picture at all keeps its sound and says so.
TEST_F(TakeRecorderTest, APictureFromBeforeTheTakeFillsItAndATakeWithoutAnyPictureSaysSo)
{
    const struct
    {
        const char *name;
        bool pictureBefore;
    } cases[] = {{"no picture", false}, {"still picture", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        completions = 0;
        error.reset();
        if (c.pictureBefore)
            feedVideo(42.0);
        start(true, true);
        feedAudio(100.0, 101.0, 0.3f);
        stop(true, true);
        ASSERT_TRUE(result.ok()) << int(result.error().kind);
        const Take take = result.value();
        ASSERT_TRUE(take.audioFileName);
        EXPECT_EQ(take.videoFileName.has_value(), c.pictureBefore);
        if (!c.pictureBefore) {
            EXPECT_EQ(error, CaptureNotice{.kind = CaptureNotice::Kind::audioOnly});
            continue;
        }
        EXPECT_FALSE(error);
        const QString video = path(take.videoFileName);
        const ProbedStream v = probeStream(video, QStringLiteral("v"));
        EXPECT_EQ(v.frames, 30);
        EXPECT_EQ(v.frameRate, v.averageFrameRate);
        for (const double at : {0.1, 0.95}) {
            const QColor shown = meanColour(decodeFrame(video, at), QRect(100, 100, 880, 1700));
            EXPECT_GT(shown.red(), shown.blue() + 80) << at;
        }
    }
}

// A camera's YUV goes into the take with its own matrix and range, and the
// file says which; BGRA is converted with BT.601 in studio range.
TEST_F(TakeRecorderTest, ACamerasYuvKeepsItsMatrixAndRangeAndTheFileSaysWhich)
{
    const TestCameraFrame camera(0, 0, 640, 360); // left (210, 40, 40), right (40, 40, 210)
    const struct
    {
        GstVideoFormat format;
        const char *colorimetry;
        const char *colorSpace, *colorRange;
    } cases[] = {{GST_VIDEO_FORMAT_BGRx, nullptr, "smpte170m", "tv"},
                 {GST_VIDEO_FORMAT_YUY2, "bt709", "bt709", "tv"},
                 {GST_VIDEO_FORMAT_NV12, "1:4:5:4", "smpte170m", "pc"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(gst_video_format_to_string(c.format));
        completions = 0;
        VideoFrame frame;
        if (c.colorimetry) {
            GstSample *sample = convertedSample(camera.frame(), c.format, c.colorimetry);
            ASSERT_NE(sample, nullptr);
            frame = VideoFrame::fromSample(sample, 42.0);
            gst_sample_unref(sample);
        } else {
            const GstVideoFrame &f = camera.frame();
            frame = VideoFrame::fromImage(
                    QImage(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&f, 0)), 640, 360,
                           GST_VIDEO_FRAME_PLANE_STRIDE(&f, 0), QImage::Format_RGB32),
                    42.0);
        }
        ASSERT_FALSE(frame.isNull());
        // The picture from before the take fills it.
        outputQueue->postAndWait([&] { recorder->recordVideoFrame(frame); });
        start(true, true);
        feedAudio(100.0, 100.5, 0.3f);
        stop(true, true);
        ASSERT_TRUE(result.ok()) << int(result.error().kind);
        const QString video = path(result.value().videoFileName);
        const ProbedStream v = probeStream(video, QStringLiteral("v"));
        EXPECT_EQ(v.colorSpace, QString::fromUtf8(c.colorSpace));
        EXPECT_EQ(v.colorRange, QString::fromUtf8(c.colorRange));
        // The crop's middle holds both halves: red left, blue right.
        const QImage shown = decodeFrame(video, 0.2);
        const QColor left = meanColour(shown, QRect(100, 400, 300, 1100));
        const QColor right = meanColour(shown, QRect(700, 400, 300, 1100));
        for (const auto &[colour, r, b] : {std::tuple{left, 210, 40}, std::tuple{right, 40, 210}}) {
            EXPECT_NEAR(colour.red(), r, 8) << colour.name().toStdString();
            EXPECT_NEAR(colour.green(), 40, 8) << colour.name().toStdString();
            EXPECT_NEAR(colour.blue(), b, 8) << colour.name().toStdString();
        }
    }
}

TEST_F(TakeRecorderTest, SpeechIntervalsComeFromTheLevelsOfTheTakesBuffers)
{
    struct Stretch
    {
        double seconds;
        float amplitude;
    };
    const struct
    {
        const char *name;
        std::vector<Stretch> sound; // from the start of the take on
        QList<SpeechInterval> speech;
    } cases[] = {
            // Each interval ends at the start of its last loud buffer.
            {"two sentences",
             {{0.3, 0}, {0.3, 0.3f}, {0.6, 0}, {0.3, 0.3f}},
             {{0.3, 0.6 - bufferSeconds}, {1.2, 1.5 - bufferSeconds}}},
            {"speaking from the first buffer on", {{0.5, 0.3f}, {0.6, 0}}, {{0, 0.5 - bufferSeconds}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        completions = 0;
        start(false, true);
        double t = 100;
        for (const Stretch &s : c.sound) {
            feedAudio(t, t + s.seconds, s.amplitude);
            t += s.seconds;
        }
        stop(false, true);
        ASSERT_TRUE(result.ok()) << int(result.error().kind);
        const QList<SpeechInterval> found = result.value().speechIntervals;
        ASSERT_EQ(found.size(), c.speech.size());
        for (qsizetype i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i].start, c.speech[i].start, 0.03);
            EXPECT_NEAR(found[i].end, c.speech[i].end, 0.03);
        }
    }
}
