#include "platform/trash.h"

#include "platform/file_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel {

namespace {

// Qt names an item's entry "<name>[-NNNN].trashinfo" and keeps trying other
// numbers while the entry cannot be made, for any reason: a name that leaves
// no room for the suffix would never end. 255 bytes is the common limit.
constexpr qsizetype longestTrashableName = 255 - int(sizeof("-0000.trashinfo"));

QString existingAncestor(const QString &absolutePath)
{
    QString path = absolutePath;
    while (!QFileInfo::exists(path) && path != QDir::rootPath())
        path = QFileInfo(path).absolutePath();
    return path;
}

bool isRealFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

// A folder that exists or can be made as the last step of `path`.
bool existsOrCanBeMade(const QString &path)
{
    if (isRealFolder(path))
        return true;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return false;
    const QFileInfo parent(existingAncestor(info.absolutePath()));
    return parent.isDir() && parent.isWritable();
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

struct TrashFolder
{
    QString path;
    bool isHomeTrash = false;
};

// The trash QFile::moveToTrash picks for an item at `absolutePath`, where
// it can take the item: a move into the home trash from another file system
// fails, and nothing is copied instead.
std::optional<TrashFolder> trashFolderFor(const QString &absolutePath)
{
    const QStorageInfo source(existingAncestor(absolutePath));
    const QString uid = QString::number(::getuid());
    if (source.isValid() && source != QStorageInfo(QDir::homePath())) {
        const QString top = source.rootPath() == QDir::rootPath() ? QString() : source.rootPath();
        // An administrator's "$topdir/.Trash" counts only as a sticky folder, not a link.
        const QString shared = top + QStringLiteral("/.Trash");
        struct stat st;
        if (::lstat(QFile::encodeName(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode)
            && (st.st_mode & S_ISVTX) && existsOrCanBeMade(shared + QLatin1Char('/') + uid))
            return TrashFolder{shared + QLatin1Char('/') + uid, false};
        const QString own = top + QStringLiteral("/.Trash-") + uid;
        if (existsOrCanBeMade(own))
            return TrashFolder{own, false};
        return std::nullopt;
    }
    const QString home = dataFolder() + QStringLiteral("/Trash");
    if (QStorageInfo(existingAncestor(home)) != source || !existsOrCanBeMade(home))
        return std::nullopt;
    return TrashFolder{home, true};
}

// The trash's two folders take new entries (Qt would loop on an "info"
// folder it cannot write to).
bool takesEntries(const QString &trash)
{
    for (const char *sub : {"files", "info"}) {
        const QString path = trash + QLatin1Char('/') + QLatin1String(sub);
        const QFileInfo info(path);
        if (info.exists() ? !(isRealFolder(path) && info.isWritable()) : !existsOrCanBeMade(path))
            return false;
    }
    return true;
}

} // namespace

bool trashAvailableFor(const QString &path)
{
    const std::optional<TrashFolder> trash = trashFolderFor(QFileInfo(path).absoluteFilePath());
    return trash && takesEntries(trash->path);
}

Result<QString, TrashFailure> moveItemToTrash(const QString &path)
{
    using R = Result<QString, TrashFailure>;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return R::failure({TrashFailure::Kind::failed, FileError{ENOENT}, path});
    if (QFile::encodeName(info.fileName()).size() > longestTrashableName)
        return R::failure({TrashFailure::Kind::nameTooLong, {}, path});
    const QString absolute = info.absoluteFilePath();
    const std::optional<TrashFolder> trash = trashFolderFor(absolute);
    if (!trash || !takesEntries(trash->path))
        return R::failure({TrashFailure::Kind::noTrash, {}, path});
    // Qt makes the home trash only inside an existing data folder.
    if (trash->isHomeTrash)
        QDir().mkpath(dataFolder());
    QFile file(absolute);
    if (!file.moveToTrash())
        return R::failure({TrashFailure::Kind::failed, FileError::last(), path});
    return file.fileName();
}

BasicStatus<TrashFailure> restoreItemFromTrash(const QString &trashed, const QString &original)
{
    using S = BasicStatus<TrashFailure>;
    const QFileInfo target(original);
    if (target.exists() || target.isSymLink())
        return S::failure({TrashFailure::Kind::originalTaken, {}, original});
    if (::rename(QFile::encodeName(trashed).constData(), QFile::encodeName(original).constData()) != 0)
        return S::failure({TrashFailure::Kind::failed, FileError::last(), original});
    // "<trash>/files/<name>" has its entry at "<trash>/info/<name>.trashinfo".
    const QFileInfo item(trashed);
    QFile::remove(QDir::cleanPath(item.absolutePath() + QStringLiteral("/../info/") + item.fileName()
                                  + QStringLiteral(".trashinfo")));
    return {};
}

} // namespace tandrel
