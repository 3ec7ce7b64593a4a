#include "library/take_recovery.h"

#include "library/file_names.h"
#include "library/take_file_names.h"
#include "media/media_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

namespace tandrel {

namespace {

// Whether a recording that is still running holds the take's lock.
bool isBeingRecorded(const QDir &takes, const QString &stamp)
{
    const QString path = takes.filePath(TakeFileNames::lock(stamp));
    if (!QFileInfo::exists(path))
        return false;
    QLockFile lock(path);
    if (!lock.tryLock(0))
        return true;
    lock.unlock(); // a lock left by a recording that died
    return false;
}

std::optional<Take> recover(const QDir &takes, const QString &stamp, const QStringList &files)
{
    Take take;
    take.id = QUuid::createUuid();
    for (const QString &name : files) {
        const Result<double, MediaFailure> duration = mediaDuration(takes.filePath(name));
        if (!duration)
            continue;
        take.duration = std::max(take.duration, *duration);
        if (TakeFileNames::isVideo(name)) {
            take.videoFileName = name;
        } else {
            take.audioFileName = name;
            if (const auto speech = speechInAudioFile(takes.filePath(name)))
                take.speechIntervals = *speech;
        }
    }
    if (!take.videoFileName && !take.audioFileName)
        return std::nullopt;
    QDateTime recordedAt = TakeFileNames::startedAt(stamp);
    if (!recordedAt.isValid())
        return std::nullopt;
    take.recordedAt = recordedAt.toUTC();
    return take;
}

} // namespace

QList<RecoveredTake> findOrphanTakes(const QList<ReelProject> &reels, const ReelFolders &folders)
{
    // Reels may share a folder: the first reel of a folder adopts its files,
    // and every reel's takes count as named.
    QMap<QString, QUuid> owner;
    QMap<QString, QSet<QString>> named;
    for (const ReelProject &reel : reels) {
        const QString folder = reel.folderName();
        if (!owner.contains(folder))
            owner.insert(folder, reel.id);
        for (const Take &take : reel.takes)
            for (const QString &name : bareFileNames(take))
                named[folder].insert(name);
    }
    QList<RecoveredTake> recovered;
    for (const ReelProject &reel : reels) {
        if (owner.value(reel.folderName()) != reel.id)
            continue;
        const QDir takes(folders.takesFolder(reel));
        QMap<QString, QStringList> byStamp;
        for (const QString &name : takes.entryList(TakeFileNames::globs(), QDir::Files)) {
            if (const auto match = TakeFileNames::pattern().match(name); match.hasMatch())
                byStamp[match.captured(1)].append(name);
        }
        const QSet<QString> &known = named[reel.folderName()];
        for (auto it = byStamp.cbegin(); it != byStamp.cend(); ++it) {
            const bool anyNamed = std::any_of(it->cbegin(), it->cend(),
                                              [&](const QString &name) { return known.contains(name); });
            if (anyNamed || isBeingRecorded(takes, it.key()))
                continue;
            if (std::optional<Take> take = recover(takes, it.key(), *it))
                recovered.append({reel.id, *take});
        }
    }
    return recovered;
}

int addRecoveredTakes(QList<ReelProject> &reels, const QList<RecoveredTake> &found)
{
    QSet<QString> named;
    for (const ReelProject &reel : reels)
        for (const Take &take : reel.takes)
            for (const QString &name : bareFileNames(take))
                named.insert(reel.folderName() + QLatin1Char('/') + name);
    int added = 0;
    for (const RecoveredTake &recovered : found) {
        const auto it = std::find_if(reels.begin(), reels.end(),
                                     [&](const auto &r) { return r.id == recovered.reelID; });
        if (it == reels.end())
            continue;
        const QStringList files = bareFileNames(recovered.take);
        if (std::any_of(files.cbegin(), files.cend(), [&](const QString &name) {
                return named.contains(it->folderName() + QLatin1Char('/') + name);
            }))
            continue;
        it->takes.append(recovered.take);
        it->updatedAt = QDateTime::currentDateTimeUtc();
        ++added;
    }
    return added;
}

} // namespace tandrel
