// Load and save of a large library: 1,000 reels with 10 takes each.
#include "library/library_json.h"
#include "library/library_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <benchmark/benchmark.h>
#include <memory>

using namespace tandrel;

namespace {

QList<ReelProject> largeLibrary(int reelCount, int takesPerReel)
{
    QList<ReelProject> reels;
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1735689600, QTimeZone::utc());
    for (int r = 0; r < reelCount; ++r) {
        ReelProject reel;
        reel.id = QUuid::createUuid();
        reel.prefix = r + 1;
        reel.title = QStringLiteral("Reel Nummer %1: Übung").arg(r + 1);
        reel.script = QStringLiteral("Dies ist der Text des Reels, ein paar Sätze lang. ").repeated(8);
        reel.createdAt = start.addSecs(r * 60);
        reel.updatedAt = reel.createdAt.addSecs(3600);
        reel.cropCenterX = 0.5 + r * 1e-4;
        for (int t = 0; t < takesPerReel; ++t) {
            Take take;
            take.id = QUuid::createUuid();
            take.recordedAt = reel.createdAt.addSecs(t * 120);
            const QString stamp = take.recordedAt.toString(QStringLiteral("yyyyMMdd-HHmmss"));
            take.videoFileName = stamp + QStringLiteral("-video.mov");
            take.audioFileName = stamp + QStringLiteral("-audio.m4a");
            take.duration = 42.0 + t / 3.0;
            for (int i = 0; i < 6; ++i)
                take.speechIntervals.append({i * 7.1, i * 7.1 + 5.3});
            reel.takes.append(take);
        }
        reels.append(reel);
    }
    return reels;
}

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
        const Result<QByteArray> text = encodeLibrary(library());
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
        const Result<QList<ReelProject>> reels = decodeLibrary(text);
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
    LibraryFolder()
        : settings(std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini"))))
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
        markdown += QStringLiteral("# %1 Reel %1\nDies ist der Text des Reels, ein paar Sätze lang.\n---\n").arg(i);
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

BENCHMARK(BM_ImportTenThousandBlocks)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EncodeLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSave)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
