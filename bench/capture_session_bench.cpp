// Costs of the capture output path: wrapping a picture for the previews and
// the recorder, handing pictures across threads, and a whole running session
// (test camera and, when a PulseAudio server is reachable, its microphone).
#include "capture/capture_controller.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "platform/settings_store.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <gst/video/video.h>
#include <sys/resource.h>

using namespace tandrel;

namespace {

GstSample *bgraSample(int width, int height)
{
    ensureGstInitialized();
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, width, height);
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    gst_buffer_memset(buffer, 0, 0x80, GST_VIDEO_INFO_SIZE(&info));
    GST_BUFFER_PTS(buffer) = GST_SECOND;
    GstCaps *caps = gst_video_info_to_caps(&info);
    GstSample *sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

static void BM_WrapFullHDFrameForPreview(benchmark::State &state)
{
    GstSample *sample = bgraSample(1920, 1080);
    for (auto _ : state) {
        const VideoFrame frame = VideoFrame::fromSample(sample, 1.0);
        QImage image = frame.image();
        benchmark::DoNotOptimize(image.constBits());
    }
    gst_sample_unref(sample);
}
BENCHMARK(BM_WrapFullHDFrameForPreview);

static void BM_RelayKeepsOnlyTheNewestFrame(benchmark::State &state)
{
    GstSample *sample = bgraSample(1920, 1080);
    SerialQueue queue("bench.output");
    std::atomic<int> delivered{0};
    auto relay = LatestFrameRelay::create(queue, [&](const VideoFrame &) { ++delivered; });
    int pushed = 0;
    for (auto _ : state) {
        relay->push(sample, 1.0);
        ++pushed;
    }
    queue.postAndWait([] {});
    relay->close();
    state.counters["delivered_share"] = double(delivered) / pushed;
    gst_sample_unref(sample);
}
BENCHMARK(BM_RelayKeepsOnlyTheNewestFrame);

// A live session for three seconds: preview pictures per second and the
// process's CPU time per second of capture.
static void BM_TestCameraSession(benchmark::State &state)
{
    qputenv("TANDREL_TEST_CAMERA", "1");
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    for (auto _ : state) {
        CaptureController controller(settings);
        bool ready = false;
        QObject::connect(&controller, &CaptureController::activated, [&] { ready = true; });
        controller.activate();
        while (!ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        int previews = 0;
        QObject::connect(&controller, &CaptureController::previewFrame, [&](const QImage &) { ++previews; });
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const double seconds = clock.elapsed() / 1000.0;
        state.counters["previews_per_s"] = previews / seconds;
        state.counters["cpu_share"] = (cpuSeconds() - cpuBefore) / seconds;
    }
}
BENCHMARK(BM_TestCameraSession)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
