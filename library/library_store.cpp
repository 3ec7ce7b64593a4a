#include "library/library_store.h"

#include "library/file_names.h"
#include "library/library_json.h"
#include "library/markdown_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <limits>

namespace tandrel {

namespace {

const QString BookmarkKey = QStringLiteral("library.bookmark");
const QString LibraryFileName = QStringLiteral("library.json");
const QString ReadErrorPrefix = QStringLiteral("Bibliothek konnte nicht gelesen werden: ");
const QString SaveErrorPrefix = QStringLiteral("Bibliothek konnte nicht gespeichert werden: ");

// Reel numbers stop at the largest 64-bit value instead of wrapping around.
qint64 plusOne(qint64 value)
{
    return value == std::numeric_limits<qint64>::max() ? value : value + 1;
}

QString absoluteFolder(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QStringList bareFileNames(const Take &take)
{
    QStringList names;
    for (const std::optional<QString> &name : {take.videoFileName, take.audioFileName}) {
        if (name && isBareFileName(*name))
            names.append(*name);
    }
    return names;
}

} // namespace

LibraryStore::LibraryStore(UserDefaults &defaults, std::optional<QString> folder, QObject *parent)
    : QObject(parent), m_defaults(defaults)
{
    if (folder) {
        m_rootURL = absoluteFolder(*folder);
    } else {
        // The remembered folder counts only while it still resolves to a folder.
        const std::optional<QString> remembered = m_defaults.stringValue(BookmarkKey);
        if (remembered && QDir::isAbsolutePath(*remembered) && QFileInfo(*remembered).isDir())
            m_rootURL = absoluteFolder(*remembered);
        else
            m_rootURL = defaultFolder();
    }
    QDir().mkpath(m_rootURL);
    load();
}

QString LibraryStore::defaultFolder()
{
    QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (movies.isEmpty())
        movies = QDir::homePath() + QStringLiteral("/Movies");
    return absoluteFolder(movies + QStringLiteral("/Tandrel"));
}

void LibraryStore::setSelectedID(std::optional<QUuid> id)
{
    if (m_selectedID != id) {
        m_selectedID = id;
        emit selectedIDChanged();
    }
}

void LibraryStore::setReels(QList<ReelProject> reels)
{
    if (m_reels != reels) {
        m_reels = std::move(reels);
        emit reelsChanged();
    }
}

void LibraryStore::setLastError(std::optional<QString> error)
{
    if (m_lastError != error) {
        m_lastError = std::move(error);
        emit lastErrorChanged();
    }
}

void LibraryStore::setRootURL(const QString &folder)
{
    if (m_rootURL != folder) {
        m_rootURL = folder;
        emit rootURLChanged();
    }
}

QString LibraryStore::libraryFile() const
{
    return m_rootURL + QLatin1Char('/') + LibraryFileName;
}

void LibraryStore::load()
{
    QFile file(libraryFile());
    if (!file.exists()) {
        m_unreadableFileInPlace = false;
        setReels({});
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_unreadableFileInPlace = true;
        setLastError(ReadErrorPrefix + file.errorString());
        return;
    }
    const Result<QList<ReelProject>> decoded = decodeLibrary(file.readAll());
    if (!decoded) {
        m_unreadableFileInPlace = true;
        setLastError(ReadErrorPrefix + decoded.error());
        return;
    }
    m_unreadableFileInPlace = false;
    setReels(*decoded);
    if (!m_selectedID)
        setSelectedID(firstInReelOrder());
}

bool LibraryStore::moveUnreadableFileAside(QString *error)
{
    const QString current = libraryFile();
    if (!QFileInfo::exists(current)) {
        m_unreadableFileInPlace = false;
        return true;
    }
    const QString base = current + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    QFile file(current);
    if (!file.rename(target)) {
        *error = QStringLiteral("Die unlesbare Datei konnte nicht beiseitegelegt werden: ")
                + file.errorString();
        return false;
    }
    m_unreadableFileInPlace = false;
    return true;
}

void LibraryStore::save()
{
    if (!QDir().mkpath(m_rootURL)) {
        setLastError(SaveErrorPrefix
                     + QStringLiteral("Der Ordner %1 konnte nicht angelegt werden.").arg(m_rootURL));
        return;
    }
    const Result<QByteArray> encoded = encodeLibrary(m_reels);
    if (!encoded) {
        setLastError(SaveErrorPrefix + encoded.error());
        return;
    }
    // A library file that could not be read keeps its content under another name.
    if (m_unreadableFileInPlace) {
        QString error;
        if (!moveUnreadableFileAside(&error)) {
            setLastError(SaveErrorPrefix + error);
            return;
        }
    }
    QSaveFile file(libraryFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(*encoded) != encoded->size() || !file.commit()) {
        setLastError(SaveErrorPrefix + file.errorString());
        file.cancelWriting();
    }
}

qsizetype LibraryStore::indexOfReel(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_reels.size(); ++i) {
        if (m_reels.at(i).id == id)
            return i;
    }
    return -1;
}

std::optional<ReelProject> LibraryStore::reel(const QUuid &id) const
{
    const qsizetype index = indexOfReel(id);
    if (index < 0)
        return std::nullopt;
    return m_reels.at(index);
}

qint64 LibraryStore::nextPrefix() const
{
    if (m_reels.isEmpty())
        return 1;
    const auto highest = std::max_element(m_reels.cbegin(), m_reels.cend(),
                                          [](const auto &a, const auto &b) { return a.prefix < b.prefix; });
    return plusOne(highest->prefix);
}

std::optional<QUuid> LibraryStore::firstInReelOrder() const
{
    if (m_reels.isEmpty())
        return std::nullopt;
    QList<ReelProject> ordered = m_reels;
    sortInReelOrder(ordered);
    return ordered.first().id;
}

ReelProject LibraryStore::createReel(std::optional<qint64> number, const QString &title,
                                     const QString &script)
{
    const bool taken = number && std::any_of(m_reels.cbegin(), m_reels.cend(), [&](const ReelProject &r) {
                           return r.prefix == *number;
                       });
    ReelProject reel;
    reel.id = QUuid::createUuid();
    reel.prefix = number && !taken ? *number : nextPrefix();
    reel.title = title;
    reel.script = script;
    reel.createdAt = QDateTime::currentDateTimeUtc();
    reel.updatedAt = QDateTime::currentDateTimeUtc();
    reel.cropCenterX = 0.5;
    writeScriptFile(reel);
    m_reels.append(reel);
    emit reelsChanged();
    setSelectedID(reel.id);
    save();
    return reel;
}

void LibraryStore::updateReel(const ReelProject &changed)
{
    const qsizetype index = indexOfReel(changed.id);
    if (index < 0)
        return;
    ReelProject value = changed;
    value.updatedAt = QDateTime::currentDateTimeUtc();
    moveFolder(m_reels.at(index), value);
    writeScriptFile(value);
    QList<ReelProject> reels = m_reels;
    reels[index] = value;
    setReels(std::move(reels));
    save();
}

void LibraryStore::deleteReel(const ReelProject &reel)
{
    const qsizetype index = indexOfReel(reel.id);
    if (index < 0)
        return;
    // The stored value names the folder on disk; a caller's copy may carry an
    // unsaved title or number that would point at another reel's folder.
    const ReelProject stored = m_reels.at(index);
    QList<ReelProject> remaining = m_reels;
    remaining.removeIf([&](const ReelProject &r) { return r.id == reel.id; });
    setReels(std::move(remaining));
    if (m_selectedID == reel.id)
        setSelectedID(firstInReelOrder());
    save();
    removeFolder(stored);
}

void LibraryStore::addTake(const Take &take, const QUuid &reelID)
{
    QList<ReelProject> reels = m_reels;
    const auto it = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
    if (it == reels.end())
        return;
    it->takes.append(take);
    it->updatedAt = QDateTime::currentDateTimeUtc();
    setReels(std::move(reels));
    save();
}

void LibraryStore::deleteTake(const QUuid &takeID, const QUuid &reelID)
{
    QList<ReelProject> reels = m_reels;
    const auto reelIt
            = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
    if (reelIt == reels.end())
        return;
    const auto takeIt = std::find_if(reelIt->takes.begin(), reelIt->takes.end(),
                                     [&](const Take &t) { return t.id == takeID; });
    if (takeIt == reelIt->takes.end())
        return;
    // Names that are not bare file names never reach the file system.
    const QDir folder(takesFolder(*reelIt));
    for (const QString &name : bareFileNames(*takeIt)) {
        const QString path = folder.filePath(name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        QFile file(path);
        if (!file.remove()) {
            setLastError(QStringLiteral("Take konnte nicht gelöscht werden: ") + file.errorString());
            return;
        }
    }
    reelIt->takes.erase(takeIt);
    reelIt->updatedAt = QDateTime::currentDateTimeUtc();
    setReels(std::move(reels));
    save();
}

int LibraryStore::importMarkdown(const QString &markdown)
{
    const QList<ImportedReel> blocks = parseMarkdown(markdown);
    qint64 next = nextPrefix();
    for (const ImportedReel &block : blocks) {
        if (!block.prefix) {
            createReel(next, block.title, block.script);
            next = plusOne(next);
            continue;
        }
        const qint64 n = *block.prefix;
        const auto it = std::find_if(m_reels.cbegin(), m_reels.cend(),
                                     [&](const auto &r) { return r.prefix == n; });
        if (it != m_reels.cend()) {
            ReelProject copy = *it;
            copy.title = block.title;
            copy.script = block.script;
            updateReel(copy);
            setSelectedID(copy.id);
            next = std::max(plusOne(n), next);
        } else {
            createReel(n, block.title, block.script);
            next = plusOne(std::max(n, next));
        }
    }
    return int(blocks.size());
}

Status LibraryStore::changeRoot(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return Status::failure(QStringLiteral("Kein Ordner für die Bibliothek angegeben."));
    const QString root = absoluteFolder(folder);
    m_defaults.setValue(BookmarkKey, root);
    setRootURL(root);
    if (!QDir().mkpath(root))
        return Status::failure(QStringLiteral("Der Ordner %1 konnte nicht angelegt werden.").arg(root));
    setSelectedID(std::nullopt);
    setReels({});
    setLastError(std::nullopt);
    m_unreadableFileInPlace = false;
    load();
    return {};
}

QString LibraryStore::reelFolder(const ReelProject &reel) const
{
    return m_rootURL + QLatin1Char('/') + reel.folderName();
}

QString LibraryStore::takesFolder(const ReelProject &reel) const
{
    return reelFolder(reel) + QStringLiteral("/takes");
}

void LibraryStore::ensureFolders(const ReelProject &reel) const
{
    QDir().mkpath(reelFolder(reel));
    QDir().mkpath(takesFolder(reel));
}

void LibraryStore::writeScriptFile(const ReelProject &reel) const
{
    ensureFolders(reel);
    QSaveFile file(reelFolder(reel) + QStringLiteral("/reel.md"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(reelMarkdown(reel.prefix, reel.title, reel.script).toUtf8());
        file.commit();
    }
}

bool LibraryStore::folderUsedByOtherReel(const ReelProject &reel) const
{
    const QString name = reel.folderName();
    return std::any_of(m_reels.cbegin(), m_reels.cend(),
                       [&](const ReelProject &r) { return r.id != reel.id && r.folderName() == name; });
}

// Two reels may share a folder name. The whole folder moves only when no
// other reel uses it and the new name is free; otherwise only this reel's
// own take files move, and never onto an existing file.
void LibraryStore::moveFolder(const ReelProject &from, const ReelProject &to)
{
    const QString oldPath = reelFolder(from);
    const QString newPath = reelFolder(to);
    if (oldPath != newPath && QFileInfo(oldPath).isDir()) {
        if (!folderUsedByOtherReel(from) && !QFileInfo::exists(newPath))
            QDir().rename(oldPath, newPath);
        else
            moveOwnTakeFiles(from, to);
    }
    ensureFolders(to);
}

void LibraryStore::moveOwnTakeFiles(const ReelProject &from, const ReelProject &to) const
{
    ensureFolders(to);
    const QString sharedName = from.folderName();
    QStringList othersFiles;
    for (const ReelProject &r : std::as_const(m_reels)) {
        if (r.id != from.id && r.folderName() == sharedName) {
            for (const Take &take : r.takes)
                othersFiles += bareFileNames(take);
        }
    }
    const QDir source(takesFolder(from));
    const QDir target(takesFolder(to));
    for (const Take &take : from.takes) {
        for (const QString &name : bareFileNames(take)) {
            if (othersFiles.contains(name) || !QFileInfo::exists(source.filePath(name))
                || QFileInfo::exists(target.filePath(name)))
                continue;
            QFile::rename(source.filePath(name), target.filePath(name));
        }
    }
}

// Deletes the reel's folder, unless a remaining reel still uses it: then only
// the files of this reel's takes that no remaining reel names go.
void LibraryStore::removeFolder(const ReelProject &reel)
{
    const QString path = reelFolder(reel);
    if (!folderUsedByOtherReel(reel)) {
        QDir(path).removeRecursively();
        return;
    }
    QStringList othersFiles;
    for (const ReelProject &r : std::as_const(m_reels)) {
        if (r.id != reel.id && r.folderName() == reel.folderName()) {
            for (const Take &take : r.takes)
                othersFiles += bareFileNames(take);
        }
    }
    const QDir takes(takesFolder(reel));
    for (const Take &take : reel.takes) {
        for (const QString &name : bareFileNames(take)) {
            if (!othersFiles.contains(name))
                QFile::remove(takes.filePath(name));
        }
    }
}

} // namespace tandrel
