// Take recording figures: the portrait renderer per frame (and ffmpeg's
// crop, hflip and scale filters on the same frames for comparison), and live
// takes at 1080p30 through the real writers: frames dropped by our code,
// CPU time, and the encoder's speed relative to real time.
//
//   recording_bench [--seconds=60] [--presets=superfast;ultrafast+cabac=1] [--no-ffmpeg] [--no-takes]
//                   [--controller-seconds=60 (inside scripts/test-env)]
//                   [google benchmark flags]

#include "capture/audio_file_writer.h"
#include "capture/capture_controller.h"
#include "capture/portrait_renderer.h"
#include "capture/test_frames.h"
#include "capture/video_file_writer.h"
#include "capture/video_frame.h"
#include "platform/settings_store.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <gst/video/gstvideopool.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using namespace tandrel;
using Clock = std::chrono::steady_clock;

namespace {

// A copy of a BGRx test frame converted to `format`, mapped for reading.
struct ConvertedFrame
{
    GstSample *sample = nullptr;
    GstVideoFrame frame;
    ConvertedFrame(const testing::TestCameraFrame &source, GstVideoFormat format)
        : sample(testing::convertedSample(source.frame(), format))
    {
        GstVideoInfo info;
        gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ);
    }
    ~ConvertedFrame()
    {
        gst_video_frame_unmap(&frame);
        gst_sample_unref(sample);
    }
};

GstBufferPool *makePool()
{
    GstBufferPool *pool = gst_video_buffer_pool_new();
    GstCaps *caps = PortraitRenderer::outputCaps();
    GstStructure *config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, 1080 * 1920 * 3 / 2, 0, 4);
    gst_buffer_pool_set_config(pool, config);
    gst_caps_unref(caps);
    gst_buffer_pool_set_active(pool, TRUE);
    return pool;
}

void BM_RenderPortraitFrame(benchmark::State &state)
{
    static const testing::TestCameraFrame camera(12);
    const auto format = GstVideoFormat(state.range(0));
    const bool flip = state.range(1);
    ConvertedFrame source(camera, format);
    GstBufferPool *pool = makePool();
    PortraitRenderer renderer;
    for (auto _ : state) {
        GstBuffer *out = renderer.renderPortraitFrame(source.frame, 0.5, flip, false, pool);
        if (!out) {
            state.SkipWithError("no frame");
            break;
        }
        gst_buffer_unref(out);
    }
    state.SetLabel(std::string(gst_video_format_to_string(format)) + (flip ? " mirrored" : ""));
    gst_buffer_pool_set_active(pool, FALSE);
    gst_object_unref(pool);
}
BENCHMARK(BM_RenderPortraitFrame)
        ->ArgsProduct({{GST_VIDEO_FORMAT_BGRx, GST_VIDEO_FORMAT_I420, GST_VIDEO_FORMAT_NV12,
                        GST_VIDEO_FORMAT_YUY2},
                       {0, 1}})
        ->Unit(benchmark::kMillisecond);

// A camera frame made ready for the previews, as the pipeline's last step
// did for every frame before (GStreamer's converter to BGRA, `convert` 0) and
// as the output queue does now for the frames it previews (1).
void BM_CameraFrameForPreview(benchmark::State &state)
{
    static const testing::TestCameraFrame camera(12);
    const auto format = GstVideoFormat(state.range(0));
    const char *colorimetry = state.range(2) ? "bt709" : "bt601";
    GstSample *sample = testing::convertedSample(camera.frame(), format, colorimetry);
    const VideoFrame frame = VideoFrame::fromSample(sample, 0);
    gst_sample_unref(sample);
    GstVideoInfo bgra;
    gst_video_info_set_format(&bgra, GST_VIDEO_FORMAT_BGRA, 1920, 1080);
    GstVideoInfo in = frame.info();
    GstVideoConverter *converter = gst_video_converter_new(&in, &bgra, nullptr);
    GstBuffer *out = gst_buffer_new_allocate(nullptr, bgra.size, nullptr);
    GstVideoFrame source, target;
    gst_video_frame_map(&source, &in, gst_sample_get_buffer(frame.sample()), GST_MAP_READ);
    gst_video_frame_map(&target, &bgra, out, GST_MAP_WRITE);
    for (auto _ : state) {
        if (state.range(1))
            benchmark::DoNotOptimize(frame.image().constBits());
        else
            gst_video_converter_frame(converter, &source, &target);
    }
    gst_video_frame_unmap(&target);
    gst_video_frame_unmap(&source);
    gst_buffer_unref(out);
    gst_video_converter_free(converter);
    state.SetLabel(std::string(gst_video_format_to_string(format)) + " " + colorimetry
                   + (state.range(1) ? " libyuv" : " GStreamer"));
}
BENCHMARK(BM_CameraFrameForPreview)
        ->ArgsProduct({{GST_VIDEO_FORMAT_YUY2, GST_VIDEO_FORMAT_NV12, GST_VIDEO_FORMAT_I420}, {0, 1}, {0, 1}})
        ->Unit(benchmark::kMillisecond);

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
            + usage.ru_stime.tv_usec / 1e6;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// User CPU seconds ffmpeg reports for running `filter` over `frames` raw
// 1920 × 1080 frames of `pixelFormat` (ffmpeg's name).
double ffmpegSeconds(const QString &rawPath, const QString &pixelFormat, int loops, const QString &filter)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-hide_banner"),
             QStringLiteral("-benchmark"),
             QStringLiteral("-threads"),
             QStringLiteral("1"),
             QStringLiteral("-filter_threads"),
             QStringLiteral("1"),
             QStringLiteral("-stream_loop"),
             QString::number(loops - 1),
             QStringLiteral("-f"),
             QStringLiteral("rawvideo"),
             QStringLiteral("-pix_fmt"),
             pixelFormat,
             QStringLiteral("-s"),
             QStringLiteral("1920x1080"),
             QStringLiteral("-i"),
             rawPath,
             QStringLiteral("-vf"),
             filter,
             QStringLiteral("-f"),
             QStringLiteral("null"),
             QStringLiteral("-")});
    p.waitForFinished(600000);
    const QByteArray err = p.readAllStandardError();
    const int at = err.lastIndexOf("utime=");
    return at < 0 ? -1 : err.mid(at + 6).split('s').first().toDouble();
}

// Our renderer's CPU time per frame (this thread) over the same frames and
// crop ffmpeg is given, mirrored as there.
double rendererMs(const std::vector<std::unique_ptr<ConvertedFrame>> &frames, int loops)
{
    GstBufferPool *pool = makePool();
    PortraitRenderer renderer;
    const double start = threadCpuSeconds();
    int count = 0;
    for (int l = 0; l < loops; ++l)
        for (const auto &f : frames) {
            GstBuffer *out = renderer.renderPortraitFrame(f->frame, 0.5, true, false, pool);
            if (!out)
                return -1;
            gst_buffer_unref(out);
            ++count;
        }
    const double ms = (threadCpuSeconds() - start) * 1000 / count;
    gst_buffer_pool_set_active(pool, FALSE);
    gst_object_unref(pool);
    return ms;
}

// ffmpeg's crop, mirror and bilinear scale to I420 against ours, per source
// format, on the same frames in the same run. The crop is the one our
// renderer takes at offset 0.5 mirrored.
void ffmpegComparison()
{
    const struct
    {
        GstVideoFormat format;
        const char *ffmpegName;
    } formats[] = {{GST_VIDEO_FORMAT_BGRx, "bgr0"},
                   {GST_VIDEO_FORMAT_NV12, "nv12"},
                   {GST_VIDEO_FORMAT_YUY2, "yuyv422"}};
    const auto crop = portraitCrop(1920, 1080, 0.5, true);
    const QString filter
            = QStringLiteral("crop=%1:1080:%2:0,hflip,scale=1080:1920:flags=bilinear,format=yuv420p")
                      .arg(crop->width)
                      .arg(crop->x);
    const int distinct = 10, loops = 30;
    QTemporaryDir dir;
    for (const auto &f : formats) {
        const QString raw = dir.filePath(QStringLiteral("frames.raw"));
        QFile file(raw);
        file.open(QIODevice::WriteOnly);
        std::vector<std::unique_ptr<ConvertedFrame>> frames;
        for (int i = 0; i < distinct; ++i) {
            const testing::TestCameraFrame camera(12, i);
            frames.push_back(std::make_unique<ConvertedFrame>(camera, f.format));
            const GstVideoFrame &frame = frames.back()->frame;
            // At 1920 wide GStreamer's planes have no padding: the frame is as ffmpeg reads it.
            file.write(static_cast<const char *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       qint64(frame.info.size));
        }
        file.close();
        const int count = distinct * loops;
        const QString pixelFormat = QLatin1String(f.ffmpegName);
        // The reading of the raw file, measured alone, is taken off.
        const double base = ffmpegSeconds(raw, pixelFormat, loops, QStringLiteral("null"));
        const double work = ffmpegSeconds(raw, pixelFormat, loops, filter);
        const double ours = rendererMs(frames, loops);
        if (base < 0 || work < 0) {
            std::printf("ffmpeg comparison: ffmpeg did not run\n");
            return;
        }
        const double theirs = (work - base) * 1000 / count;
        std::printf("%-5s 1920x1080 -> 1080x1920 I420, crop+hflip+bilinear scale, one thread, CPU per frame: "
                    "ffmpeg %.2f ms, ours %.2f ms (%.1fx) over %d frames\n",
                    gst_video_format_to_string(f.format), theirs, ours, theirs / ours, count);
        std::fflush(stdout);
    }
}

struct TakeFigures
{
    long offered = 0, appended = 0, notReady = 0, noBuffer = 0;
    double renderMs = 0, cpuPercent = 0, wall = 0, fileBitRate = 0;
};

// Frames of a camera looking at a still scene with some movement: the test
// camera's halves with a bright box moving across.
std::vector<std::unique_ptr<testing::TestCameraFrame>> movingFrames()
{
    std::vector<std::unique_ptr<testing::TestCameraFrame>> frames;
    for (int i = 0; i < 30; ++i) {
        auto f = std::make_unique<testing::TestCameraFrame>(0, i);
        auto *pixels = static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&f->frame(), 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&f->frame(), 0);
        for (int y = 400; y < 700; ++y)
            std::memset(pixels + y * stride + (300 + i * 40) * 4, 230, 300 * 4);
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<std::unique_ptr<testing::TestCameraFrame>> noisyFrames()
{
    std::vector<std::unique_ptr<testing::TestCameraFrame>> frames;
    for (int i = 0; i < 8; ++i)
        frames.push_back(std::make_unique<testing::TestCameraFrame>(12, i));
    return frames;
}

// A live take: 30 frames and ~47 microphone buffers a second for `seconds`,
// each handed over on time as the capture output queue does; what the
// writer is not ready for is dropped.
TakeFigures liveTake(const char *preset, const char *options,
                     const std::vector<std::unique_ptr<testing::TestCameraFrame>> &frames, double seconds)
{
    TakeFigures f;
    QTemporaryDir dir;
    auto video = VideoFileWriter::create(dir.filePath(QStringLiteral("v.mov")),
                                         VideoFileWriter::ReservedSeconds, preset, options);
    auto audio = AudioFileWriter::create(dir.filePath(QStringLiteral("a.m4a")));
    if (!video.ok() || !audio.ok() || !(*video)->startWriting() || !(*audio)->startWriting())
        return f;
    PortraitRenderer renderer;
    const auto colorimetry = PortraitRenderer::outputColorimetry(frames[0]->frame().info);
    const double cpu0 = cpuSeconds();
    const auto start = Clock::now();
    double renderSeconds = 0;
    long audioFrames = 0;
    for (long i = 0; i < long(seconds * 30); ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / 30));
        const double t = i / 30.0;
        for (; audioFrames / 48000.0 <= t; audioFrames += 1024)
            (*audio)->appendBuffer(testing::sineBuffer(48000, 1, audioFrames, 1024, audioFrames / 48000.0),
                                   audioFrames / 48000.0);
        ++f.offered;
        if (!(*video)->acceptsMoreData()) {
            ++f.notReady;
            continue;
        }
        const double r0 = threadCpuSeconds();
        GstBuffer *out = renderer.renderPortraitFrame(frames[i % frames.size()]->frame(), 0.5, true, false,
                                                      (*video)->pixelBufferPool());
        renderSeconds += threadCpuSeconds() - r0;
        if (!out) {
            ++f.noBuffer;
            continue;
        }
        if ((*video)->appendFrame(out, t, colorimetry))
            ++f.appended;
        else
            ++f.notReady;
    }
    std::promise<void> a, b;
    (*video)->finishWriting([&] { a.set_value(); });
    (*audio)->finishWriting([&] { b.set_value(); });
    a.get_future().wait();
    b.get_future().wait();
    f.wall = std::chrono::duration<double>(Clock::now() - start).count();
    f.cpuPercent = (cpuSeconds() - cpu0) / f.wall * 100;
    f.renderMs = f.appended + f.noBuffer ? renderSeconds * 1000 / double(f.appended + f.noBuffer) : 0;
    // The stream's own rate: the file also holds the reserved header room.
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                 QStringLiteral("v"), QStringLiteral("-show_entries"), QStringLiteral("stream=bit_rate"),
                 QStringLiteral("-of"), QStringLiteral("csv=p=0"), dir.filePath(QStringLiteral("v.mov"))});
    probe.waitForFinished(60000);
    f.fileBitRate = probe.readAllStandardOutput().trimmed().toDouble();
    return f;
}

struct EncoderFigures
{
    double speed = 0; // content seconds per wall-clock second
    double cpuMsPerFrame
            = 0; // CPU time of all threads per frame: what other load on the machine does not change
};

// Encodes `count` frames as fast as the writer takes them.
EncoderFigures encoderSpeed(const char *preset, const char *options,
                            const std::vector<std::unique_ptr<testing::TestCameraFrame>> &frames, int count)
{
    QTemporaryDir dir;
    auto video = VideoFileWriter::create(dir.filePath(QStringLiteral("v.mov")),
                                         VideoFileWriter::ReservedSeconds, preset, options);
    if (!video.ok() || !(*video)->startWriting())
        return {};
    PortraitRenderer renderer;
    const auto colorimetry = PortraitRenderer::outputColorimetry(frames[0]->frame().info);
    const auto start = Clock::now();
    const double cpu0 = cpuSeconds();
    for (int i = 0; i < count; ++i) {
        GstBuffer *out = nullptr;
        while (!(*video)->acceptsMoreData()
               || !(out = renderer.renderPortraitFrame(frames[i % frames.size()]->frame(), 0.5, false, false,
                                                       (*video)->pixelBufferPool())))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        (*video)->appendFrame(out, i / 30.0, colorimetry);
    }
    std::promise<void> done;
    (*video)->finishWriting([&] { done.set_value(); });
    done.get_future().wait();
    return {count / 30.0 / std::chrono::duration<double>(Clock::now() - start).count(),
            (cpuSeconds() - cpu0) * 1000 / count};
}

void takes(double seconds, const QStringList &presets)
{
    const auto moving = movingFrames();
    const auto noisy = noisyFrames();
    const struct
    {
        const char *name;
        const std::vector<std::unique_ptr<testing::TestCameraFrame>> *frames;
    } contents[] = {{"moving box", &moving}, {"sensor noise", &noisy}};
    for (const QString &presetName : presets) {
        // "preset" or "preset+x264 options"
        const QByteArray preset = presetName.section(QLatin1Char('+'), 0, 0).toLatin1();
        const QByteArray options = presetName.section(QLatin1Char('+'), 1).toLatin1();
        for (const auto &content : contents) {
            const EncoderFigures e
                    = encoderSpeed(preset.constData(), options.constData(), *content.frames, 300);
            const TakeFigures f = seconds > 0
                    ? liveTake(preset.constData(), options.constData(), *content.frames, seconds)
                    : TakeFigures{};
            std::printf(
                    "%-10s %-12s live %.0f s: %ld frames offered, %ld written, dropped %ld (writer not "
                    "ready) + "
                    "%ld (no pool buffer); CPU %.0f %% of one core (%.1f s CPU); render %.2f ms CPU/frame; "
                    "%.1f Mb/s; as fast as possible: %.2fx real time, %.1f ms CPU per frame "
                    "(%.0f %% of two cores at 30 fps)\n",
                    presetName.toLatin1().constData(), content.name, seconds, f.offered, f.appended,
                    f.notReady, f.noBuffer, f.cpuPercent, f.cpuPercent * f.wall / 100, f.renderMs,
                    f.fileBitRate / 1e6, e.speed, e.cpuMsPerFrame, e.cpuMsPerFrame * 30 / 20);
            std::fflush(stdout);
        }
    }
}

// A take through the real capture controller from the test camera and the
// microphone (run inside scripts/test-env): frames in the file against 30 a
// second, and the whole process's CPU time (capture pipelines included).
void controllerTake(double seconds)
{
    qputenv("TANDREL_TEST_CAMERA", "1");
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    CaptureController controller(settings);
    bool activated = false;
    QObject::connect(&controller, &CaptureController::activated, [&] { activated = true; });
    controller.activate();
    const auto spin = [](const std::function<bool()> &done, double limit) {
        const auto end = Clock::now() + std::chrono::duration<double>(limit);
        while (!done() && Clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    spin([&] { return activated; }, 20);
    spin([] { return false; }, 2); // the camera and the microphone get going
    std::optional<Result<Take, CaptureNotice>> outcome;
    const double cpu0 = cpuSeconds();
    const auto start = Clock::now();
    controller.startRecording(dir.filePath(QStringLiteral("takes")),
                              [&](const Result<Take, CaptureNotice> &r) { outcome = r; });
    spin([&] { return outcome.has_value(); }, seconds);
    controller.stopRecording();
    spin([&] { return outcome.has_value(); }, 60);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpu0;
    if (!outcome || !outcome->ok() || !outcome->value().videoFileName) {
        std::printf("controller take: failed: %s\n",
                    outcome ? qPrintable(QString::number(int(outcome->error().kind))) : "no result");
        return;
    }
    const Take &take = outcome->value();
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                 QStringLiteral("v"), QStringLiteral("-show_entries"), QStringLiteral("stream=nb_frames"),
                 QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                 QDir(dir.filePath(QStringLiteral("takes"))).filePath(*take.videoFileName)});
    probe.waitForFinished(60000);
    const long frames = probe.readAllStandardOutput().trimmed().toLong();
    std::printf("controller take from the test camera, %.1f s: %ld frames in the file of %.0f at 30 fps "
                "(%.1f %% missing); process CPU %.0f %% of one core (%.1f s, capture pipelines included)\n",
                take.duration, frames, take.duration * 30, 100.0 * (1 - frames / (take.duration * 30)),
                cpu / wall * 100, cpu);
}

} // namespace

int main(int argc, char **argv)
{
    // The controller take lists screens through Qt; elsewhere no display is needed.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    double controllerSeconds = 0;
    double seconds = 60;
    QStringList presets{QLatin1String(VideoFileWriter::SpeedPreset) + QLatin1Char('+')
                        + QLatin1String(VideoFileWriter::EncoderOptions)};
    bool ffmpeg = true, liveTakes = true;
    std::vector<char *> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a.startsWith("--seconds="))
            seconds = a.mid(10).toDouble();
        else if (a.startsWith("--presets="))
            presets = QString::fromLatin1(a.mid(10)).split(QLatin1Char(';'));
        else if (a == "--no-ffmpeg")
            ffmpeg = false;
        else if (a == "--no-takes")
            liveTakes = false;
        else if (a.startsWith("--controller-seconds="))
            controllerSeconds = a.mid(21).toDouble();
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    if (ffmpeg)
        ffmpegComparison();
    if (liveTakes)
        takes(seconds, presets);
    if (controllerSeconds > 0)
        controllerTake(controllerSeconds);
    return 0;
}
