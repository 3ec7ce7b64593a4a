#pragma once

// Large libraries for the library benchmarks: the records, and a library
// folder on disk as years of use leave it (library.json, a folder with
// "reel.md" and "takes" per reel).
#include "library/library_json.h"
#include "library/reel_folders.h"
#include "library/reel_project.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <ctime>

namespace tandrel::bench {

// `scriptRepeats` sentences of script per reel, `takesPerReel` takes with six
// speech intervals each.
inline QList<ReelProject> largeLibrary(int reelCount, int takesPerReel, int scriptRepeats = 8)
{
    QList<ReelProject> reels;
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1735689600, QTimeZone::utc());
    for (int r = 0; r < reelCount; ++r) {
        ReelProject reel;
        reel.id = QUuid::createUuid();
        reel.prefix = r + 1;
        reel.title = QStringLiteral("Reel Nummer %1: Übung").arg(r + 1);
        reel.script = QStringLiteral("Dies ist der Text des Reels, ein paar Sätze lang. ")
                              .repeated(scriptRepeats);
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

// Writes library.json and every reel's folder, "reel.md" and takes folder
// into `root`; the size of library.json.
inline qint64 writeLibraryFolder(const QString &root, const QList<ReelProject> &reels, bool withFolders)
{
    QDir().mkpath(root);
    const QByteArray text = *encodeLibrary(reels);
    QFile file(root + QStringLiteral("/library.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return -1;
    if (withFolders) {
        const ReelFolders folders(root);
        for (const ReelProject &reel : reels)
            folders.writeScriptFile(reel);
    }
    return text.size();
}

// CPU time the calling thread has used, in seconds.
inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace tandrel::bench
