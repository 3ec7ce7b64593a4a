#include "capture/audio_file_writer.h"
#include "capture/media_probe.h"
#include "capture/portrait_renderer.h"
#include "capture/test_frames.h"
#include "capture/video_file_writer.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using namespace tandrel;
using namespace tandrel::testing;
using namespace std::chrono_literals;

namespace {

void finishAndWait(const std::shared_ptr<MediaWriter> &writer)
{
    std::promise<void> done;
    writer->finishWriting([&done] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(60s), std::future_status::ready);
}

// Appends `count` frames 1/30 s apart, waiting whenever the writer is not
// ready, so that every frame is taken.
void writeFrames(VideoFileWriter &writer, const std::vector<std::unique_ptr<TestCameraFrame>> &sources,
                 int count, double cropOffset, bool flip)
{
    PortraitRenderer renderer;
    for (int i = 0; i < count; ++i) {
        GstBuffer *frame = nullptr;
        while (!writer.acceptsMoreData()
               || !(frame = renderer.renderPortraitFrame(sources[i % sources.size()]->frame(), cropOffset,
                                                         flip, false, writer.pixelBufferPool())))
            std::this_thread::sleep_for(2ms);
        const auto colorimetry
                = PortraitRenderer::outputColorimetry(sources[i % sources.size()]->frame().info);
        ASSERT_TRUE(writer.appendFrame(frame, i / 30.0, colorimetry)) << "frame " << i;
    }
}

void writeTone(AudioFileWriter &writer, int rate, int channels, double seconds, float noise = 0)
{
    const qint64 perBuffer = 1024;
    for (qint64 first = 0; first < qint64(seconds * rate); first += perBuffer) {
        const double t = double(first) / rate;
        while (!writer.acceptsMoreData())
            std::this_thread::sleep_for(2ms);
        ASSERT_TRUE(writer.appendBuffer(sineBuffer(rate, channels, first, perBuffer, t, 0.3f, noise), t));
    }
}

std::vector<std::unique_ptr<TestCameraFrame>> cameraFrames(int noise, int count)
{
    std::vector<std::unique_ptr<TestCameraFrame>> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(std::make_unique<TestCameraFrame>(noise, i));
    return frames;
}

} // namespace

TEST(TakeWriters, VideoIsPortraitH264HighAtTwelveMegabitsPerSecond)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take-video.mov"));
    auto writer = VideoFileWriter::create(path);
    ASSERT_TRUE(writer.ok()) << writer.error().detail.toStdString();
    ASSERT_TRUE((*writer)->startWriting());
    writeFrames(**writer, cameraFrames(40, 6), 120, 0.5, false);
    finishAndWait(*writer);
    EXPECT_EQ((*writer)->status(), MediaWriter::Status::Completed);

    const ProbedStream v = probeStream(path, QStringLiteral("v"));
    ASSERT_TRUE(v.found);
    EXPECT_EQ(v.codec, QStringLiteral("h264"));
    EXPECT_EQ(v.profile, QStringLiteral("High"));
    EXPECT_EQ(v.width, 1080);
    EXPECT_EQ(v.height, 1920);
    EXPECT_EQ(v.frames, 120);
    EXPECT_NEAR(v.duration, 4.0, 0.05);
    // Constant frame rate, on a time base that holds a frame exactly.
    EXPECT_EQ(v.frameRate, QStringLiteral("30/1"));
    EXPECT_EQ(v.averageFrameRate, QStringLiteral("30/1"));
    EXPECT_EQ(v.timeBase, QStringLiteral("1/3000"));
    EXPECT_NEAR(v.bitRate, 12e6, 2.4e6);
    // The encoder's own record of its settings, kept in the stream.
    EXPECT_TRUE(readFile(path).contains("bitrate=12000")) << "average bit rate of the stream";
    EXPECT_NEAR(decodableSeconds(path), 4.0, 0.1);
}

TEST(TakeWriters, AudioIsMonoAacLowComplexityAt48kHzFromAnyInputFormat)
{
    const struct
    {
        int rate, channels;
    } inputs[] = {{48000, 1}, {44100, 2}, {16000, 1}};
    for (const auto &in : inputs) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("take-audio.m4a"));
        auto writer = AudioFileWriter::create(path);
        ASSERT_TRUE(writer.ok()) << writer.error().detail.toStdString();
        ASSERT_TRUE((*writer)->startWriting());
        writeTone(**writer, in.rate, in.channels, 3.0, 0.2f); // noise needs the full bit rate
        finishAndWait(*writer);

        const ProbedStream a = probeStream(path, QStringLiteral("a"));
        ASSERT_TRUE(a.found) << in.rate;
        EXPECT_EQ(a.codec, QStringLiteral("aac"));
        EXPECT_EQ(a.profile, QStringLiteral("LC"));
        EXPECT_EQ(a.sampleRate, 48000);
        EXPECT_EQ(a.channels, 1);
        EXPECT_NEAR(a.duration, 3.0, 0.1) << in.rate;
        EXPECT_NEAR(a.bitRate, 192000, 40000) << in.rate;
    }
}

// The encoder's priming is skipped by the file's edit list: the first sample
// a player decodes is the first one appended, so sound that starts 0.5 s into
// the take is heard there, to well within 5 ms. Silence added at the end
// makes the file as long as asked.
TEST(TakeWriters, TheAudioFilesSoundStartsAtItsTakeTimeToTheSample)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("onset.m4a"));
    auto writer = AudioFileWriter::create(path);
    ASSERT_TRUE(writer.ok() && (*writer)->startWriting());
    const qint64 perBuffer = 1024;
    for (qint64 first = 0; first < 48000; first += perBuffer) {
        const double t = double(first) / 48000;
        ASSERT_TRUE(waitUntil([&] { return (*writer)->acceptsMoreData(); }, 30000));
        // Silent until 0.5 s (sample 24000), then a tone.
        AudioBuffer b = sineBuffer(48000, 1, first, perBuffer, t, 0.3f);
        auto *samples = reinterpret_cast<float *>(b.data.data());
        for (qint64 i = 0; i < perBuffer && first + i < 24000; ++i)
            samples[i] = 0;
        ASSERT_TRUE((*writer)->appendBuffer(b, t));
    }
    (*writer)->padTo(1.5);
    finishAndWait(*writer);

    const std::vector<float> decoded = decodeAudio(path);
    const qint64 onset = firstLoudSample(decoded);
    EXPECT_NEAR(double(onset) / 48000, 0.5, 0.005) << onset;
    // The edit list plays exactly the samples appended; ffmpeg's decoder
    // still hands out the encoder's last frame whole.
    EXPECT_NEAR(probeStream(path, QStringLiteral("a")).duration, 1.5, 0.0001);
    EXPECT_GE(double(decoded.size()) / 48000, 1.5);
    EXPECT_LT(firstLoudSample(decoded, 0.01f, 49200), 0) << "the padding is silent";
}

TEST(TakeWriters, AudioFromBeforeTheStartIsCutOff)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.m4a"));
    auto cut = AudioFileWriter::create(path);
    ASSERT_TRUE(cut.ok() && (*cut)->startWriting());
    EXPECT_FALSE((*cut)->appendBuffer(sineBuffer(48000, 1, 0, 4800, -0.2), -0.2)); // wholly before
    EXPECT_TRUE((*cut)->appendBuffer(sineBuffer(48000, 1, 0, 48000, -0.5), -0.5));
    finishAndWait(*cut);
    const ProbedStream c = probeStream(path, QStringLiteral("a"));
    EXPECT_NEAR(c.startTime + c.duration, 0.5, 0.06);
}

// Pictures offered while the encoder is busy are not rendered but dropped,
// as the recorder does; their grid frames repeat the last picture, so the
// movie keeps its frame rate and its length.
TEST(TakeWriters, AWriterThatCannotKeepUpDropsPicturesAndRepeatsTheLastOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("busy.mov"));
    auto writer = VideoFileWriter::create(path);
    ASSERT_TRUE(writer.ok() && (*writer)->startWriting());
    const auto sources = cameraFrames(60, 4);
    PortraitRenderer renderer;
    const auto colorimetry = PortraitRenderer::outputColorimetry(sources[0]->frame().info);
    int taken = 0, refused = 0;
    // Noise at full speed: far more than the encoder manages.
    for (int i = 0; i < 150; ++i) {
        if (!(*writer)->acceptsMoreData()) {
            (*writer)->dropFrame(i / 30.0);
            ++refused;
            continue;
        }
        GstBuffer *frame = renderer.renderPortraitFrame(sources[i % 4]->frame(), 0.5, false, false,
                                                        (*writer)->pixelBufferPool());
        ASSERT_TRUE(frame && (*writer)->appendFrame(frame, i / 30.0, colorimetry)) << i;
        ++taken;
    }
    finishAndWait(*writer);
    EXPECT_GT(refused, 0);
    EXPECT_GT(taken, 0);
    EXPECT_EQ((*writer)->droppedFrames(), refused);
    EXPECT_EQ((*writer)->repeatedFrames(), refused);
    const ProbedStream v = probeStream(path, QStringLiteral("v"));
    EXPECT_EQ(v.frames, 150);
    EXPECT_EQ(v.averageFrameRate, QStringLiteral("30/1"));
}

// Each picture takes the grid frame nearest its time: a grid frame no picture
// reached repeats the one before (the first picture also stands for the time
// before it), a second picture for the same grid frame is dropped, and the
// end of a take repeats the last picture up to the stop.
TEST(TakeWriters, PicturesLieOnAThirtyFpsGridWithRepeatsAndDropsCounted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grid.mov"));
    auto writer = VideoFileWriter::create(path);
    ASSERT_TRUE(writer.ok() && (*writer)->startWriting());
    const TestCameraFrame source; // red left half, blue right half
    PortraitRenderer renderer;
    const auto colorimetry = PortraitRenderer::outputColorimetry(source.frame().info);
    const struct
    {
        double time;
        bool red; // the left half, else the right
        bool taken;
    } pictures[] = {
            {0.100, false, true}, // grid frame 3; 0 to 2 repeat it
            {0.135, true, true}, // 4
            {0.140, false, false}, // 4 again: dropped
            {0.300, false, true}, // 9; 5 to 8 repeat the red one
    };
    for (const auto &p : pictures) {
        ASSERT_TRUE(waitUntil([&] { return (*writer)->acceptsMoreData(); }, 30000));
        GstBuffer *frame = renderer.renderPortraitFrame(source.frame(), p.red ? 0.0 : 1.0, false, false,
                                                        (*writer)->pixelBufferPool());
        EXPECT_EQ((*writer)->appendFrame(frame, p.time, colorimetry), p.taken) << p.time;
    }
    (*writer)->extendTo(12); // 10 and 11 repeat the last
    EXPECT_EQ((*writer)->frames(), 12);
    EXPECT_EQ((*writer)->repeatedFrames(), 3 + 4 + 2);
    EXPECT_EQ((*writer)->droppedFrames(), 1);
    finishAndWait(*writer);

    const ProbedStream v = probeStream(path, QStringLiteral("v"));
    EXPECT_EQ(v.frames, 12);
    EXPECT_EQ(v.frameRate, v.averageFrameRate);
    const auto isRed = [](const QColor &c) { return c.red() > c.blue() + 80; };
    const auto isBlue = [](const QColor &c) { return c.blue() > c.red() + 80; };
    const struct
    {
        int frame;
        bool red;
    } shown[] = {{0, false}, {3, false}, {4, true}, {8, true}, {9, false}, {11, false}};
    for (const auto &f : shown) {
        // ffmpeg starts at the first frame whose time is not before the seek.
        const QColor c = meanColour(decodeFrame(path, std::max(0.0, (f.frame - 0.5) / 30.0)),
                                    QRect(100, 100, 880, 1700));
        EXPECT_TRUE(f.red ? isRed(c) : isBlue(c)) << "frame " << f.frame << ": " << c.name().toStdString();
    }
}

TEST(TakeWriters, FramesMustMoveForwardInTime)
{
    QTemporaryDir dir;
    auto writer = VideoFileWriter::create(dir.filePath(QStringLiteral("t.mov")));
    ASSERT_TRUE(writer.ok() && (*writer)->startWriting());
    const TestCameraFrame source;
    PortraitRenderer renderer;
    const auto colorimetry = PortraitRenderer::outputColorimetry(source.frame().info);
    // Each frame is offered once the writer is ready, so that only its time decides.
    const auto render = [&] {
        EXPECT_TRUE(waitUntil([&] { return (*writer)->acceptsMoreData(); }));
        return renderer.renderPortraitFrame(source.frame(), 0.5, false, false, (*writer)->pixelBufferPool());
    };
    EXPECT_TRUE((*writer)->appendFrame(render(), 0.1, colorimetry));
    EXPECT_FALSE((*writer)->appendFrame(render(), 0.1, colorimetry));
    EXPECT_FALSE((*writer)->appendFrame(render(), 0.05, colorimetry));
    EXPECT_FALSE((*writer)->appendFrame(render(), std::nan(""), colorimetry));
    EXPECT_TRUE((*writer)->appendFrame(render(), 0.2, colorimetry));
    finishAndWait(*writer);
}

TEST(TakeWriters, AFileThatCannotBeCreatedIsRefusedWithGStreamersReason)
{
    QTemporaryDir dir;
    auto video = VideoFileWriter::create(dir.filePath(QStringLiteral("missing/v.mov")));
    ASSERT_FALSE(video.ok());
    EXPECT_EQ(video.error().kind, CaptureNotice::Kind::fileNotCreated);
    EXPECT_TRUE(video.error().video);
    EXPECT_FALSE(video.error().detail.isEmpty());
    auto audio = AudioFileWriter::create(dir.filePath(QStringLiteral("missing/a.m4a")));
    ASSERT_FALSE(audio.ok());
    EXPECT_EQ(audio.error().kind, CaptureNotice::Kind::fileNotCreated);
    EXPECT_FALSE(audio.error().video);
}

// A failure while writing stops the writer and tells why once. (An index
// space that runs out is the recorder's test: the take keeps what it covers.)
TEST(TakeWriters, AWriterThatFailsWhileWritingTellsWhyOnceAndTakesNothingMore)
{
    // Writes to /dev/full fail as on a full disk, for root as well.
    auto writer = AudioFileWriter::create(QStringLiteral("/dev/full"));
    ASSERT_TRUE(writer.ok()) << writer.error().detail.toStdString();
    std::atomic<int> told{0};
    (*writer)->setFailureHandler([&told] { ++told; });
    ASSERT_TRUE((*writer)->startWriting());
    bool refused = false;
    for (int i = 0; i < 2000 && !refused; ++i) {
        const double t = i * 1024 / 48000.0;
        ASSERT_TRUE(waitUntil(
                [&] {
                    return (*writer)->acceptsMoreData()
                            || (*writer)->status() == MediaWriter::Status::Failed;
                },
                30000));
        refused = !(*writer)->appendBuffer(sineBuffer(48000, 1, i * 1024, 1024, t), t);
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(waitUntil([&] { return told.load() > 0; }, 30000));
    EXPECT_EQ((*writer)->status(), MediaWriter::Status::Failed);
    EXPECT_EQ((*writer)->failure(), WriteFailure{WriteFailure::Kind::diskFull});
    EXPECT_FALSE((*writer)->acceptsMoreData());
    (*writer)->cancelWriting();
    EXPECT_EQ(told.load(), 1);
}

// A file system that holds the end of the stream up longer than the finish
// may take: the finish gives up, and the writer is Failed before it says it
// is done. (Nothing here blocks for good; a timeout of zero is passed by any
// finish that still has a queue of buffers to encode.)
TEST(TakeWriters, AFinishThatTakesLongerThanItsTimeoutGivesUp)
{
    QTemporaryDir dir;
    auto created = AudioFileWriter::create(dir.filePath(QStringLiteral("slow.m4a")));
    ASSERT_TRUE(created.ok()) << created.error().detail.toStdString();
    std::shared_ptr<AudioFileWriter> writer = *created;
    writer->setFinishTimeout(0ms);
    std::atomic<int> told{0};
    writer->setFailureHandler([&told] { ++told; });
    ASSERT_TRUE(writer->startWriting());
    for (int i = 0; writer->acceptsMoreData(); ++i)
        writer->appendBuffer(sineBuffer(48000, 1, i * 1024, 1024, i * 1024 / 48000.0), i * 1024 / 48000.0);
    std::promise<MediaWriter::Status> done;
    writer->finishWriting([&] { done.set_value(writer->status()); });
    auto status = done.get_future();
    ASSERT_EQ(status.wait_for(60s), std::future_status::ready);
    EXPECT_EQ(status.get(), MediaWriter::Status::Failed);
    EXPECT_EQ(writer->failure(), WriteFailure{WriteFailure::Kind::finishTimedOut});
    EXPECT_EQ(told.load(), 1);
}
