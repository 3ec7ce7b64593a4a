// Paint time of the teleprompter at full HD and layout time of a long script.
// Run with QT_QPA_PLATFORM=offscreen (set automatically when no display is given).
#include "platform/settings_store.h"
#include "speech/script_aligner.h"
#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/teleprompter_self_view.h"
#include "teleprompter/teleprompter_state.h"
#include "teleprompter/teleprompter_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace tandrel;

namespace {

// A German-looking script of `words` words in paragraphs of about 40 words;
// with `distinct`, no word twice, as a long script nearly has it.
QString script(int words, bool distinct = false)
{
    static const char *const vocabulary[]
            = {"Heute",        "zeige",  "ich",       "euch,",    "wie",      "man",       "mit",
               "einer",        "Kamera", "und",       "einem",    "Mikrofon", "ganze",     "Reels",
               "aufnimmt.",    "Zuerst", "kommt",     "das",      "Skript,",  "dann",      "der",
               "Teleprompter", "folgt",  "meiner",    "Stimme",   "Schnitt!", "natürlich", "klingt",
               "besser",       "als",    "auswendig", "gelernter"};
    QString text;
    for (int i = 0; i < words; ++i) {
        text += QString::fromUtf8(vocabulary[(i * 7 + i / 5) % std::size(vocabulary)]);
        if (distinct)
            text += QString::number(i);
        text += (i % 40 == 39) ? QStringLiteral("\n\n") : QStringLiteral(" ");
    }
    return text;
}

QImage videoFrame(QSize size = {1920, 1080})
{
    QImage frame(size, QImage::Format_RGB32);
    QPainter p(&frame);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(180, 120, 90));
    g.setColorAt(1, QColor(40, 60, 120));
    p.fillRect(frame.rect(), g);
    return frame;
}

// Counts the view's paints and, for live video, hands it a new frame 30
// times a second, as a camera sends them, whatever the view paints.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(TeleprompterView &view, bool live, QSize frameSize)
        : m_view(view), m_frames{videoFrame(frameSize), videoFrame(frameSize).mirrored(true, false)}
    {
        view.installEventFilter(this);
        if (live) {
            m_camera.setTimerType(Qt::PreciseTimer);
            m_camera.setInterval(1000 / 30);
            QObject::connect(&m_camera, &QTimer::timeout, this,
                             [this] { m_view.selfView()->setFrame(m_frames[++frames % 2]); });
            m_camera.start();
        }
    }
    qint64 paints = 0;
    qint64 frames = 0;
    qint64 paintedPixels = 0;
    std::vector<double> gaps; // milliseconds from each paint to the next

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                paintedPixels += qint64(r.width()) * r.height();
            ++paints;
            if (m_sincePaint.isValid())
                gaps.push_back(m_sincePaint.nsecsElapsed() / 1e6);
            m_sincePaint.start();
        }
        return false;
    }

private:
    TeleprompterView &m_view;
    QImage m_frames[2];
    QTimer m_camera;
    QElapsedTimer m_sincePaint;
};

// withVideo 0: black behind the text; 1: one still frame; 2: a new frame 30
// times a second. Frames of another size than the window's are scaled to
// fill it. The view runs as shown: its own 60 Hz clock scrolls the text, and
// it repaints through the window's backing store what it marks as changed.
void paintFrames(benchmark::State &bench, int withVideo, QSize frameSize = {1920, 1080},
                 bool distinctWords = false)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("d.ini"));
    TeleprompterState state(settings);
    state.setTitle(QStringLiteral("012 Ein Reel am Vormittag"));
    state.loadScript(script(distinctWords ? 2000 : 300, distinctWords));
    state.setScrollMode(TeleprompterScrollMode::steady);
    state.setIsScrolling(true);
    state.setShowsSelfView(withVideo);
    TeleprompterView view(state);
    view.resize(1920, 1080);
    view.show();
    if (withVideo) {
        view.setVideoAvailable(true);
        view.selfView()->setFrame(videoFrame(frameSize));
    }
    PaintCounter counter(view, withVideo == 2, frameSize);
    // The first paints fill the whole window and render every word in view
    // (a tenth of a second once, when the teleprompter opens).
    while (counter.paints < 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    counter.paintedPixels = 0;
    counter.gaps.clear();
    const qint64 first = counter.paints, firstFrame = counter.frames;
    for (auto _ : bench) {
        const qint64 before = counter.paints;
        while (counter.paints == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double paints = double(counter.paints - first);
    bench.counters["window_share"] = paints > 0 ? counter.paintedPixels / paints / (1920.0 * 1080) : 0;
    // The longest wait between two paints: at 60 Hz anything past 17 ms is
    // a frame the text missed.
    std::sort(counter.gaps.begin(), counter.gaps.end());
    if (!counter.gaps.empty()) {
        bench.counters["longest_gap_ms"] = counter.gaps.back();
        bench.counters["p99_gap_ms"] = counter.gaps[size_t(double(counter.gaps.size() - 1) * 0.99)];
        bench.counters["gaps_over_20ms"] = double(
                counter.gaps.end() - std::upper_bound(counter.gaps.begin(), counter.gaps.end(), 20.0));
    }
    // Paints per frame the camera sent: the CPU a second of video costs is
    // the CPU column times the paints a second.
    if (withVideo == 2)
        bench.counters["paints_per_frame"]
                = paints / double(std::max<qint64>(1, counter.frames - firstFrame));
}

void BM_PaintFrame(benchmark::State &bench)
{
    paintFrames(bench, 0);
}
// CPU time counts every thread of the process: Qt hands parts of large fills
// to its thread pool, and that time is taken from the encoder too. Wall time
// is the clock's 60 Hz; the CPU column is the cost of one paint.
BENCHMARK(BM_PaintFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PaintFrameWithVideo(benchmark::State &bench)
{
    paintFrames(bench, 1);
}
BENCHMARK(BM_PaintFrameWithVideo)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PaintFrameWithLiveVideo(benchmark::State &bench)
{
    paintFrames(bench, 2);
}
BENCHMARK(BM_PaintFrameWithLiveVideo)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A 1280 x 720 camera under a 1920 x 1080 window: every new frame is scaled.
void BM_PaintFrameWithLive720pVideo(benchmark::State &bench)
{
    paintFrames(bench, 2, {1280, 720});
}
BENCHMARK(BM_PaintFrameWithLive720pVideo)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A script where every word is new, over a still picture (so every word
// casts a shadow): the paints that bring in a line must not wait for its
// words to be rendered.
void BM_ScrollIntoNewWords(benchmark::State &bench)
{
    paintFrames(bench, 1, {1920, 1080}, true);
}
BENCHMARK(BM_ScrollIntoNewWords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Layout2000Words(benchmark::State &bench)
{
    const QString text = script(2000);
    const QList<Token> tokens = ScriptAligner::tokenize(text);
    TeleprompterLayoutInput input{tokens,
                                  text,
                                  QStringLiteral("Titel"),
                                  56,
                                  TeleprompterTextPlacement::standard,
                                  QSizeF(1920, 1080)};
    for (auto _ : bench) {
        input.fontSize = input.fontSize == 56 ? 60 : 56; // a font change lays out anew
        benchmark::DoNotOptimize(TeleprompterLayout::build(input).contentHeight());
    }
}
BENCHMARK(BM_Layout2000Words)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
