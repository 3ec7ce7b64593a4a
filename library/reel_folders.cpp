#include "library/reel_folders.h"

#include "library/file_names.h"
#include "library/markdown_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <cstdio>

namespace tandrel {

namespace {

// The take files of the reels other than `reel` that share its folder.
QStringList othersFiles(const ReelProject &reel, const QList<ReelProject> &reels)
{
    QStringList files;
    const QString name = reel.folderName();
    for (const ReelProject &r : reels) {
        if (r.id != reel.id && r.folderName() == name) {
            for (const Take &take : r.takes)
                files += bareFileNames(take);
        }
    }
    return files;
}

bool folderUsedByOther(const ReelProject &reel, const QList<ReelProject> &reels)
{
    const QString name = reel.folderName();
    return std::any_of(reels.cbegin(), reels.cend(),
                       [&](const ReelProject &r) { return r.id != reel.id && r.folderName() == name; });
}

} // namespace

QString ReelFolders::reelFolder(const ReelProject &reel) const
{
    return m_root + QLatin1Char('/') + reel.folderName();
}

QString ReelFolders::takesFolder(const ReelProject &reel) const
{
    return reelFolder(reel) + QStringLiteral("/takes");
}

void ReelFolders::ensure(const ReelProject &reel) const
{
    // One mkdir each in the common case; mkpath only when the library
    // folder itself is missing.
    const QString folder = reelFolder(reel);
    const QString takes = takesFolder(reel);
    if (!QDir().mkdir(folder) && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    QDir().mkdir(takes);
}

void ReelFolders::writeScriptFile(const ReelProject &reel) const
{
    ensure(reel);
    // Written beside and renamed over the old file, so a reader sees the old
    // or the new text. Not synced to disk one by one (an import writes
    // thousands): library.json is the record, and a reel.md lost in a power
    // cut is written again at the next load.
    const QString path = reelFolder(reel) + QStringLiteral("/reel.md");
    QFile file(path + QStringLiteral(".tmp-") + QString::number(QCoreApplication::applicationPid()));
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QByteArray text = reelMarkdown(reel.prefix, reel.title, reel.script).toUtf8();
    const bool written = file.write(text) == text.size();
    file.close();
    if (!written || ::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        file.remove();
}

bool ReelFolders::hasScriptFile(const ReelProject &reel) const
{
    // Never empty when whole: it starts with the number's heading.
    const QFileInfo info(reelFolder(reel) + QStringLiteral("/reel.md"));
    return info.isFile() && info.size() > 0;
}

void ReelFolders::move(const ReelProject &from, const ReelProject &to, const QList<ReelProject> &reels) const
{
    const QString oldPath = reelFolder(from);
    const QString newPath = reelFolder(to);
    if (oldPath != newPath && QFileInfo(oldPath).isDir()) {
        if (!folderUsedByOther(from, reels) && !QFileInfo::exists(newPath)) {
            QDir().rename(oldPath, newPath);
        } else {
            ensure(to);
            const QStringList others = othersFiles(from, reels);
            const QDir source(takesFolder(from));
            const QDir target(takesFolder(to));
            for (const Take &take : from.takes) {
                for (const QString &name : bareFileNames(take)) {
                    if (others.contains(name) || !QFileInfo::exists(source.filePath(name))
                        || QFileInfo::exists(target.filePath(name)))
                        continue;
                    QFile::rename(source.filePath(name), target.filePath(name));
                }
            }
        }
    }
    ensure(to);
}

QStringList ReelFolders::ownPaths(const ReelProject &reel, const QList<ReelProject> &remaining) const
{
    auto exists = [](const QString &path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    if (!folderUsedByOther(reel, remaining)) {
        const QString folder = reelFolder(reel);
        return exists(folder) ? QStringList{folder} : QStringList{};
    }
    QStringList paths;
    const QStringList others = othersFiles(reel, remaining);
    const QDir takes(takesFolder(reel));
    for (const Take &take : reel.takes) {
        for (const QString &name : bareFileNames(take)) {
            if (!others.contains(name) && exists(takes.filePath(name)))
                paths.append(takes.filePath(name));
        }
    }
    return paths;
}

} // namespace tandrel
