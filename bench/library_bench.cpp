// Load, save and change of a large library (1,000 reels with 10 takes each),
// and one tandrelctl import into a library of 10,000 reels.
#include "bench/large_library.h"
#include "library/library_json.h"
#include "library/library_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>

using namespace tandrel;

namespace {

using tandrel::bench::largeLibrary;

double cpuSeconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
using tandrel::bench::writeLibraryFolder;

const QList<ReelProject> &library()
{
    static const QList<ReelProject> reels = largeLibrary(1000, 10);
    return reels;
}

void BM_EncodeLibrary(benchmark::State &state)
{
    qint64 bytes = 0;
    library();
    for (auto _ : state) {
        const LibraryResult<QByteArray> text = encodeLibrary(library());
        bytes = text->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["fileBytes"] = double(bytes);
}

void BM_DecodeLibrary(benchmark::State &state)
{
    const QByteArray text = *encodeLibrary(library());
    for (auto _ : state) {
        const LibraryResult<QList<ReelProject>> reels = decodeLibrary(text);
        if (!reels || reels->size() != 1000)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(reels->size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// A temporary library folder whose library.json already holds the benchmark library.
struct LibraryFolder
{
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> settings;
    LibraryFolder() : settings(std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini"))))
    {
        QFile file(dir.filePath(QStringLiteral("library.json")));
        if (file.open(QIODevice::WriteOnly))
            file.write(*encodeLibrary(library()));
    }
};

// The store's load: open the folder, read library.json, decode, select.
void BM_StoreLoad(benchmark::State &state)
{
    const LibraryFolder folder;
    LibraryStore store(*folder.settings, folder.dir.path());
    for (auto _ : state) {
        store.load();
        if (store.reels().size() != 1000 || store.lastError())
            state.SkipWithError("load failed");
    }
}

// The store's save: encode and write library.json atomically.
void BM_StoreSave(benchmark::State &state)
{
    const LibraryFolder folder;
    LibraryStore store(*folder.settings, folder.dir.path());
    for (auto _ : state) {
        store.save();
        if (store.lastError())
            state.SkipWithError("save failed");
    }
}

// One import of 10,000 blocks into an empty library: one save of the list,
// then 10,000 reel folders with their reel.md. The goal is under 2 s.
void BM_ImportTenThousandBlocks(benchmark::State &state)
{
    QString markdown;
    for (int i = 1; i <= 10000; ++i)
        markdown += QStringLiteral("# %1 Reel %1\nDies ist der Text des Reels, ein paar Sätze lang.\n---\n")
                            .arg(i);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<QTemporaryDir>();
        SettingsStore settings(folder->filePath(QStringLiteral("settings.ini")));
        LibraryStore store(settings, folder->filePath(QStringLiteral("lib")));
        state.ResumeTiming();
        const LibraryOutcome<int> imported = store.importMarkdown(markdown);
        if (!imported || *imported != 10000 || store.reels().size() != 10000)
            state.SkipWithError("import failed");
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
}

} // namespace

// One change as the window makes it: a reel's title edited. Timed is what
// the calling (main) thread spends until updateReel returns; the argument
// is 1 for saves in the background (the application), 0 for waited saves
// (tandrelctl). Between changes the save is let finish, untimed.
void BM_ChangeOneReel(benchmark::State &state)
{
    const LibraryFolder folder;
    LibraryStore store(*folder.settings, folder.dir.path());
    if (state.range(0) == 1)
        store.setSaving(LibraryStore::Saving::inBackground);
    if (store.reels().size() != 1000) {
        state.SkipWithError(store.lastError() ? "library not loaded" : "reels missing");
        return;
    }
    ReelProject reel = store.reels().at(500);
    int n = 0;
    for (auto _ : state) {
        reel.title = QStringLiteral("Geändert %1").arg(++n);
        QElapsedTimer timer;
        timer.start();
        const LibraryOutcome<> changed = store.updateReel(reel);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!changed)
            state.SkipWithError("change failed");
        store.finishSaves();
    }
    if (store.reels().size() != 1000)
        state.SkipWithError("reels lost");
}

// The whole `tandrelctl import` of one block that renames a reel of a
// library of 10,000 reels with their folders: start, load, change, save,
// folder move.
void BM_TandrelctlImportOneBlockTenThousandReels(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("lib"));
    const qint64 size = writeLibraryFolder(root, largeLibrary(10000, 0, 2), true);
    // TANDREL_CTL names another build's tandrelctl, to compare with it.
    const QString tandrelctl = qEnvironmentVariableIsSet("TANDREL_CTL")
            ? qEnvironmentVariable("TANDREL_CTL")
            : QCoreApplication::applicationDirPath() + QStringLiteral("/../cli/tandrelctl");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    int n = 0;
    double childCpu = 0;
    // The library's first opening by a version that marks its sessions
    // looks once through every reel folder for what an unclean end may have
    // left: that run is made before the timed ones, as the application's
    // first start after an update makes it.
    const auto import = [&](QProcess &process) {
        process.setProcessEnvironment(env);
        process.start(tandrelctl,
                      {QStringLiteral("--library"), root, QStringLiteral("import"), QStringLiteral("-")});
        process.write(QStringLiteral("# 5000 Umbenannt %1\nNeuer Text\n").arg(++n).toUtf8());
        process.closeWriteChannel();
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    if (QProcess first; !import(first)) {
        state.SkipWithError(first.readAllStandardError().constData());
        return;
    }
    for (auto _ : state) {
        rusage before{};
        getrusage(RUSAGE_CHILDREN, &before);
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        const bool imported = import(process);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        rusage after{};
        getrusage(RUSAGE_CHILDREN, &after);
        childCpu += cpuSeconds(after) - cpuSeconds(before);
        if (!imported) {
            state.SkipWithError(process.readAllStandardError().constData());
            break;
        }
    }
    state.counters["fileBytes"] = double(size);
    // User and system time of the tandrelctl process, in ms: on a busy
    // machine the wall time is mostly waiting for the processor.
    state.counters["cpuMs"] = benchmark::Counter(childCpu * 1000, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_ChangeOneReel)
        ->Arg(1)
        ->Arg(0)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Repetitions(5)
        ->Iterations(4)
        ->ReportAggregatesOnly();
BENCHMARK(BM_TandrelctlImportOneBlockTenThousandReels)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Repetitions(3)
        ->Iterations(2)
        ->ReportAggregatesOnly();
BENCHMARK(BM_ImportTenThousandBlocks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EncodeLibrary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_DecodeLibrary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_StoreLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSave)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // The store watches its folder and hands work back through the event loop.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
