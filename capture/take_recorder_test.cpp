#include "capture/media_probe.h"
#include "capture/take_recorder.h"
#include "capture/test_frames.h"
#include "platform/serial_queue.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

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
        TakeRecorder::Display display;
        display.statusMessage = [this](const QString &text) { status = text; };
        display.lastError = [this](const QString &text) { error = text; };
        display.videoSourceSelected = [] { return true; };
        // A stop waits for every source to pass it, however loaded the machine.
        TakeRecorder::Timing timing{[this] { return clock.load(); }, std::chrono::seconds(60)};
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
                                 [this](const Result<Take> &r) {
                                     ++completions;
                                     result = r;
                                 });
        ASSERT_TRUE(waitUntil([&] { return recorder->isRecording() || completions > 0; }, 30000));
        ASSERT_TRUE(recorder->isCapturing()) << result.error().toStdString();
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
    Result<Take> result = Result<Take>::failure(QString());
    QString status, error;
};

} // namespace

TEST_F(TakeRecorderTest, ATakeHoldsWhatWasCapturedBetweenItsStartAndItsStopWheneverItArrives)
{
    start(false, true);
    feedAudio(99.0, 99.5, 0.3f); // captured before the gate opened, arriving now
    feedAudio(100.0, 100.5, 0.3f);
    stop(false, true, [&] {
        feedAudio(100.5, 101.0, 0.3f); // captured before the stop, arriving after it
    });

    ASSERT_TRUE(result.ok()) << result.error().toStdString();
    const Take take = result.value();
    EXPECT_FALSE(take.videoFileName.has_value());
    // 100.0 up to 101.0: the samples from before the start would make it
    // longer at the front, those from after the stop at the end.
    const ProbedStream a = probeStream(path(take.audioFileName), QStringLiteral("a"));
    EXPECT_NEAR(a.startTime + a.duration, 1.0, 0.06);
    EXPECT_GT(rms(decodeAudio(path(take.audioFileName)), 0.05, 0.95), 0.15);
    EXPECT_EQ(status, QStringLiteral("Live"));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
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
        if (c.videoAt < c.audioFrom) {
            feedVideo(100 + c.videoAt);
            feedAudio(100 + c.audioFrom, 100.8, 0.3f);
        } else {
            feedAudio(100 + c.audioFrom, 100.8, 0.3f);
            feedVideo(100 + c.videoAt);
        }
        stop(true, true);
        ASSERT_TRUE(result.ok()) << result.error().toStdString();
        const Take take = result.value();
        ASSERT_TRUE(take.videoFileName && take.audioFileName);

        // A first frame after the start also stands for the time before it.
        const ProbedStream v = probeStream(path(take.videoFileName), QStringLiteral("v"));
        EXPECT_NEAR(v.startTime, 0, 0.01);
        EXPECT_NEAR(v.startTime + v.duration, c.videoAt + 1 / 30.0, 0.05);
        // Sound that begins after the start is preceded by silence.
        const ProbedStream a = probeStream(path(take.audioFileName), QStringLiteral("a"));
        EXPECT_NEAR(a.startTime + a.duration, 0.8, 0.06);
        const std::vector<float> audio = decodeAudio(path(take.audioFileName));
        if (c.audioFrom > 0)
            EXPECT_LT(rms(audio, 0, c.audioFrom - 0.05), 0.01);
        EXPECT_GT(rms(audio, c.audioFrom + 0.05, 0.75), 0.15);
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
        ASSERT_TRUE(result.ok()) << result.error().toStdString();
        const QList<SpeechInterval> found = result.value().speechIntervals;
        ASSERT_EQ(found.size(), c.speech.size());
        for (qsizetype i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i].start, c.speech[i].start, 0.03);
            EXPECT_NEAR(found[i].end, c.speech[i].end, 0.03);
        }
    }
}
