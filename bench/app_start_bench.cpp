// The application's start with a library of years (10,000 reels with their
// folders) against an empty one: CPU time of the main thread from creating
// the application objects until the event loop has nothing more to do.
#include "app/main_window.h"
#include "app/tandrel_app.h"
#include "bench/large_library.h"
#include "platform/settings_store.h"
#include "tests/support/recording_opener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <memory>

using namespace tandrel;

namespace {

// Runs the event loop until a whole round of it used (almost) no CPU.
void runUntilIdle()
{
    QElapsedTimer wall;
    wall.start();
    double before = bench::threadCpuSeconds();
    int quietRounds = 0;
    while (quietRounds < 20 && wall.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const double now = bench::threadCpuSeconds();
        quietRounds = now - before < 0.0005 ? quietRounds + 1 : 0;
        before = now;
        if (quietRounds > 0)
            QThread::msleep(5);
    }
}

void startApplication(benchmark::State &state, int reelCount)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("lib"));
    bench::writeLibraryFolder(root, bench::largeLibrary(reelCount, 0, 2), true);
    qputenv("HOME", dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    const QString settingsFile = dir.filePath(QStringLiteral("settings.ini"));
    SettingsStore(settingsFile).write(settings::libraryFolder, root);
    // The library as the previous run of the application left it: opened
    // and closed once.
    std::make_unique<TandrelApp>(std::make_unique<SettingsStore>(settingsFile),
                                 std::make_unique<testing::RecordingOpener>())
            .reset();
    runUntilIdle();
    for (auto _ : state) {
        const double start = bench::threadCpuSeconds();
        auto app = std::make_unique<TandrelApp>(std::make_unique<SettingsStore>(settingsFile),
                                                std::make_unique<testing::RecordingOpener>());
        app->show();
        runUntilIdle();
        state.SetIterationTime(bench::threadCpuSeconds() - start);
        if (app->mainWindow().isHidden())
            state.SkipWithError("no window");
        app.reset();
        runUntilIdle();
    }
}

void BM_AppStartEmptyLibrary(benchmark::State &state)
{
    startApplication(state, 0);
}

void BM_AppStartTenThousandReels(benchmark::State &state)
{
    startApplication(state, 10000);
}

} // namespace

BENCHMARK(BM_AppStartEmptyLibrary)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly();
BENCHMARK(BM_AppStartTenThousandReels)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
