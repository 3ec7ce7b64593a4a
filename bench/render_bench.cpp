// The finished reel's render speed: a take of moving 1080 × 1920 test
// pictures encoded as the recorder encodes (yuv420p, its x264 settings, 12
// Mb/s, a key frame every two seconds) with its AAC sound, cut at speech
// intervals (two seconds spoken, a second of pause) and rendered with
// captions. Reports per minute of take the render's wall time and CPU time
// (all threads), how many times faster than real time it is, how many cores
// were busy on average, and the load average before and after; the goal is
// at least 2× real time on 2 cores. Other work on the machine stretches the
// wall time, not the CPU time.
//
//   render_bench [--seconds=60] [--take=FOLDER] [google benchmark flags]
//
// --take keeps the take's files in FOLDER and uses them again on the next
// run with the same length, so that repeated runs measure only the render.

#include "capture/video_file_writer.h"
#include "library/caption_cues.h"
#include "render/reel_cut.h"
#include "render/reel_renderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

using namespace tandrel;

namespace {

int takeSeconds = 60;
QString takeFolder; // empty: a temporary folder

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double loadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

bool gstLaunch(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("gst-launch-1.0"), QStringList{QStringLiteral("-q")} + args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The take's files as the recorder writes them: 4:2:0 pictures through x264
// with the recorder's settings, AAC sound.
bool writeTake(const QString &folder, int seconds)
{
    const int frames = seconds * 30;
    const QString video
            = QStringLiteral("videotestsrc num-buffers=%1 pattern=smpte horizontal-speed=3 ! "
                             "video/x-raw,format=I420,width=1080,height=1920,framerate=30/1 ! "
                             "x264enc bitrate=%3 speed-preset=%4 key-int-max=60 option-string=%5 ! "
                             "video/x-h264,profile=high ! qtmux ! filesink location=%2/take.mov")
                      .arg(frames)
                      .arg(folder)
                      .arg(VideoFileWriter::BitRateKbps)
                      .arg(QLatin1String(VideoFileWriter::SpeedPreset),
                           QLatin1String(VideoFileWriter::EncoderOptions));
    return gstLaunch(video.split(QLatin1Char(' ')))
            && gstLaunch(
                    QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=1600 wave=pink-noise ! "
                                   "audio/x-raw,rate=48000,channels=1 ! audioconvert ! avenc_aac ! mp4mux ! "
                                   "filesink location=%2/take.m4a")
                            .arg(frames)
                            .arg(folder)
                            .split(QLatin1Char(' ')));
}

void BM_RenderFinishedReel(benchmark::State &state)
{
    QTemporaryDir temporary;
    const QDir dir(QDir(takeFolder.isEmpty() ? temporary.path() : takeFolder)
                           .filePath(QStringLiteral("%1s").arg(takeSeconds)));
    const QString written = dir.filePath(QStringLiteral("written"));
    if (!QFile::exists(written)) {
        if (!dir.mkpath(QStringLiteral(".")) || !writeTake(dir.path(), takeSeconds)
            || !QFile(written).open(QIODevice::WriteOnly)) {
            state.SkipWithError("the take's files could not be written");
            return;
        }
    }
    Take take{QUuid::createUuid(),
              QDateTime::currentDateTimeUtc(),
              QStringLiteral("take.mov"),
              QStringLiteral("take.m4a"),
              double(takeSeconds),
              {},
              std::nullopt};
    QList<WordTime> words;
    for (int s = 0; s + 3 <= takeSeconds; s += 3) {
        take.speechIntervals.append({s + 0.5, s + 2.5});
        for (int w = 0; w < 5; ++w)
            words.append(
                    {s + 0.5 + w * 0.4, s + 0.8 + w * 0.4, qint64(words.size()), QStringLiteral("Wort")});
    }
    const RenderResult<ReelCut> cut = ReelCut::build(take, dir.path(), RenderOptions());
    if (!cut) {
        state.SkipWithError(cut.errorDetail().toUtf8().constData());
        return;
    }
    const QList<CaptionCue> cues = cut->reelCues(captionCues(words));
    double seconds = 0, cpu = 0, loadBefore = 0, loadAfter = 0;
    for (auto _ : state) {
        std::atomic<bool> cancelled{false};
        loadBefore = loadAverage();
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const RenderResult<QString> rendered
                = ReelRenderer::render(*cut, cues, dir.filePath("reel.mp4"), {}, cancelled);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu = cpuSeconds() - cpuStart;
        loadAfter = loadAverage();
        if (!rendered) {
            state.SkipWithError(rendered.errorDetail().toUtf8().constData());
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["take_s"] = takeSeconds;
    state.counters["reel_s"] = double(cut->frames) / 30;
    state.counters["render_s_per_take_min"] = seconds * 60 / takeSeconds;
    state.counters["x_real_time"] = takeSeconds / seconds;
    state.counters["cpu_s_per_take_min"] = cpu * 60 / takeSeconds;
    state.counters["busy_cores"] = cpu / seconds;
    state.counters["load_before"] = loadBefore;
    state.counters["load_after"] = loadAfter;
}

} // namespace

BENCHMARK(BM_RenderFinishedReel)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            takeSeconds = std::max(3, std::atoi(argv[i] + 10));
        else if (std::strncmp(argv[i], "--take=", 7) == 0)
            takeFolder = QString::fromLocal8Bit(argv[i] + 7);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
