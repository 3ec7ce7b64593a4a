#include "library/library_store.h"

#include "library/file_names.h"
#include "library/library_json.h"
#include "library/library_merge.h"
#include "library/markdown_import.h"
#include "library/reel_import.h"
#include "library/take_recovery.h"
#include "platform/file_error.h"
#include "platform/trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace tandrel {

namespace {

using Kind = LibraryFailure::Kind;
using ErrorKind = LibraryError::Kind;
using Step = LibraryError::Step;

// The reel and its take with these ids in `reels`; null where missing.
std::pair<ReelProject *, Take *> findTake(QList<ReelProject> &reels, const QUuid &reelID, const QUuid &takeID)
{
    const auto reel = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
    if (reel == reels.end())
        return {nullptr, nullptr};
    const auto take = std::find_if(reel->takes.begin(), reel->takes.end(),
                                   [&](const Take &t) { return t.id == takeID; });
    return {&*reel, take == reel->takes.end() ? nullptr : &*take};
}

LibraryOutcome<> notFound()
{
    return LibraryOutcome<>::refused(Kind::notFound, ErrorKind::notFound);
}

LibraryOutcome<> notSaved(LibraryError error)
{
    return LibraryOutcome<>::refused(Kind::notSaved, std::move(error).during(Step::saving));
}

QString absoluteFolder(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

LibraryStore::LibraryStore(SettingsStore &settings, std::optional<QString> folder, QObject *parent,
                           Access access)
    : QObject(parent), m_settings(settings), m_access(access)
{
    if (folder) {
        m_rootPath = absoluteFolder(*folder);
    } else {
        // The remembered folder counts only while it can be reached; the
        // default folder stands in, and the window says so.
        const std::optional<QString> remembered = m_settings.read(settings::libraryFolder);
        if (remembered && QDir::isAbsolutePath(*remembered) && isReachable(*remembered)) {
            m_rootPath = absoluteFolder(*remembered);
        } else {
            m_rootPath = defaultFolder();
            if (remembered && QDir::isAbsolutePath(*remembered) && absoluteFolder(*remembered) != m_rootPath)
                m_unreachableFolder = absoluteFolder(*remembered);
        }
    }
    m_file = LibraryFile(m_rootPath);
    if (m_access == Access::readWrite) {
        QDir().mkpath(m_rootPath);
        m_mark = std::make_unique<SessionMark>(m_rootPath);
    }
    load();
    watchFolder();
}

LibraryStore::~LibraryStore()
{
    // A save still on its way reaches the file before the process ends.
    finishSaves();
}

void LibraryStore::setSaving(Saving saving)
{
    finishSaves();
    m_saving = saving;
    m_writer.reset();
    if (m_saving == Saving::inBackground)
        m_writer = std::make_unique<LibraryWriter>(m_rootPath, this, [this](LibraryWriter::Saved saved) {
            backgroundSaveDone(std::move(saved));
        });
}

void LibraryStore::finishSaves()
{
    if (m_writer)
        m_writer->finish();
}

QString LibraryStore::defaultFolder()
{
    QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (movies.isEmpty())
        movies = QDir::homePath() + QStringLiteral("/Movies");
    return absoluteFolder(movies + QStringLiteral("/Tandrel"));
}

bool LibraryStore::isReachable(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isWritable() && info.isExecutable();
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

void LibraryStore::setLastError(std::optional<LibraryError> error)
{
    if (m_lastError != error) {
        m_lastError = std::move(error);
        emit lastErrorChanged();
    }
}

void LibraryStore::setRecoveredNote(int count)
{
    if (m_recoveredNote != count) {
        m_recoveredNote = count;
        emit recoveredNoteChanged();
    }
}

void LibraryStore::setRootPath(const QString &folder)
{
    if (m_rootPath != folder) {
        m_rootPath = folder;
        emit rootPathChanged();
    }
}

void LibraryStore::load()
{
    finishSaves();
    m_file.forget();
    const LibraryResult<LibraryFile::Reading> reading = m_file.read();
    if (!reading) {
        m_unreadableFileInPlace = true;
        setLastError(LibraryError(reading.error()).during(Step::reading));
        return;
    }
    if (!reading->exists) {
        m_unreadableFileInPlace = false;
        setReels({});
        return;
    }
    const LibraryResult<QList<ReelProject>> decoded = decodeLibrary(reading->bytes);
    if (!decoded) {
        m_unreadableFileInPlace = true;
        setLastError(LibraryError(decoded.error()).during(Step::reading));
        return;
    }
    m_unreadableFileInPlace = false;
    m_file.remember(*reading);
    m_onDisk = *decoded;
    m_unsaved = false;
    setReels(*decoded);
    if (!m_selectedID)
        setSelectedID(firstInReelOrder());
    // What an unclean end can leave is looked for only after one: at a
    // library of years that is thousands of folders read at every start.
    if (m_mark && m_mark->uncleanEndBefore()) {
        restoreScriptFiles();
        if (adoptOrphanTakes())
            m_mark->clearLeftBehind();
    }
}

bool LibraryStore::adoptOrphanTakes()
{
    const QList<RecoveredTake> found = findOrphanTakes(m_reels, folders());
    if (found.isEmpty())
        return true;
    int adopted = 0;
    const LibraryOutcome<> changed = change([&](QList<ReelProject> &reels) {
        adopted = addRecoveredTakes(reels, found);
        return adopted > 0 ? LibraryOutcome<>() : notFound();
    });
    // Nothing else reports this change: the files stay and are found again.
    if (!changed && changed.failure().kind == Kind::notSaved)
        setLastError(changed.error());
    if (adopted > 0) {
        // Those another process had adopted meanwhile are its to report.
        m_recoveredTakes.clear();
        for (const RecoveredTake &recovered : found) {
            const std::optional<ReelProject> reel = this->reel(recovered.reelID);
            if (reel && std::any_of(reel->takes.cbegin(), reel->takes.cend(), [&](const Take &t) {
                    return t.id == recovered.take.id;
                }))
                m_recoveredTakes.append({recovered.reelID, recovered.take.id});
        }
        emit takesRecovered();
    }
    if (adopted > 0)
        setRecoveredNote(adopted);
    return changed || changed.failure().kind != Kind::notSaved;
}

void LibraryStore::restoreScriptFiles() const
{
    const ReelFolders reelFolders = folders();
    for (const ReelProject &reel : m_reels) {
        if (!reelFolders.hasScriptFile(reel))
            reelFolders.writeScriptFile(reel);
    }
}

void LibraryStore::refresh()
{
    // While saves of this store are on their way it holds the folder's lock:
    // the file is what they make it.
    if (m_heldLock)
        return;
    const LibraryResult<LibraryFile::Reading> reading = m_file.read();
    if (!reading) {
        m_unreadableFileInPlace = true;
        return;
    }
    // A library file that vanished keeps the list in memory: the next save
    // writes it again rather than losing every reel.
    if (!reading->exists || !reading->changed)
        return;
    const LibraryResult<QList<ReelProject>> decoded = decodeLibrary(reading->bytes);
    if (!decoded) {
        m_unreadableFileInPlace = true;
        return;
    }
    m_unreadableFileInPlace = false;
    m_file.remember(*reading);
    // Changes a failed save left only in memory go on top of the new list.
    QList<ReelProject> reels = m_unsaved ? mergeLibraries(*decoded, m_onDisk, m_reels) : *decoded;
    m_onDisk = *decoded;
    setReels(std::move(reels));
}

void LibraryStore::watchFolder()
{
    // The file is replaced on every save, so the folder is what is watched;
    // without an event loop (benchmarks) nothing could be seen.
    if (!QCoreApplication::instance() || !QFileInfo(m_rootPath).isDir())
        return;
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        // A burst of changes (an import writing its folders) is read once.
        auto *settle = new QTimer(this);
        settle->setSingleShot(true);
        settle->setInterval(100);
        connect(settle, &QTimer::timeout, this, &LibraryStore::reloadAfterOutsideChange);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    }
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_watcher->addPath(m_rootPath);
}

void LibraryStore::reloadAfterOutsideChange()
{
    const std::optional<QUuid> selected = m_selectedID;
    refresh();
    // The selection stays while its reel does.
    if (selected && indexOfReel(*selected) < 0)
        setSelectedID(firstInReelOrder());
}

LibraryStatus LibraryStore::saveLocked(const QList<ReelProject> &reels)
{
    if (!QDir().mkpath(m_rootPath))
        return LibraryError::at(ErrorKind::folderNotCreated, m_rootPath);
    const LibraryResult<QByteArray> encoded = encodeLibrary(reels);
    if (!encoded)
        return encoded.error();
    // A library file that could not be read keeps its content under another name.
    if (m_unreadableFileInPlace) {
        if (const LibraryStatus moved = moveUnreadableFileAside(m_file.path()); !moved)
            return moved;
        m_unreadableFileInPlace = false;
    }
    const LibraryStatus written = m_file.write(*encoded);
    if (written) {
        m_onDisk = reels;
        m_unsaved = false;
    }
    return written;
}

LibraryResult<std::shared_ptr<QLockFile>> LibraryStore::lockFolder()
{
    if (m_heldLock)
        return m_heldLock;
    LibraryResult<LibraryFile::Lock> lock = m_file.lock();
    if (!lock)
        return lock.error();
    return std::shared_ptr<QLockFile>(std::move(*lock));
}

void LibraryStore::saveInBackground(std::shared_ptr<QLockFile> lock, const QList<ReelProject> &reels)
{
    m_heldLock = std::move(lock);
    m_writer->save({++m_saveSerial, reels, m_heldLock, m_unreadableFileInPlace});
    // The writer moves the unreadable file aside before its first write.
    m_unreadableFileInPlace = false;
    watchFolder();
}

void LibraryStore::backgroundSaveDone(LibraryWriter::Saved saved)
{
    const bool newest = saved.serial == m_saveSerial;
    if (saved.status) {
        m_file.remember(saved.stamp);
        m_onDisk = saved.reels;
    } else {
        setLastError(LibraryError(saved.status.error()).during(Step::saving));
    }
    if (newest) {
        m_unsaved = !saved.status;
        m_unreadableFileInPlace = saved.unreadableFileInPlace;
        // Others may change the library again.
        m_heldLock.reset();
    } else if (!saved.status) {
        m_unsaved = true;
    }
}

void LibraryStore::save()
{
    const LibraryResult<std::shared_ptr<QLockFile>> lock = lockFolder();
    if (lock && m_saving == Saving::inBackground) {
        saveInBackground(*lock, m_reels);
        return;
    }
    const LibraryStatus saved = lock ? saveLocked(m_reels) : LibraryStatus(lock.error());
    if (!saved)
        setLastError(LibraryError(saved.error()).during(Step::saving));
    watchFolder();
}

LibraryOutcome<> LibraryStore::change(const Edit &edit, Unsaved unsaved, After after)
{
    if (after == After::saved)
        finishSaves();
    const LibraryResult<std::shared_ptr<QLockFile>> lock = lockFolder();
    if (!lock)
        return notSaved(lock.error());
    refresh();
    QList<ReelProject> reels = m_reels;
    if (const LibraryOutcome<> edited = edit(reels); !edited)
        return edited;
    if (m_saving == Saving::inBackground && after == After::saveInBackground) {
        saveInBackground(*lock, reels);
        setReels(std::move(reels));
        return {};
    }
    const LibraryStatus saved = saveLocked(reels);
    watchFolder();
    if (!saved && unsaved == Unsaved::kept)
        m_unsaved = true;
    if (saved || unsaved == Unsaved::kept)
        setReels(std::move(reels));
    if (!saved)
        return notSaved(saved.error());
    return {};
}

LibraryStatus LibraryStore::discard(const QStringList &paths, Removal removal)
{
    QList<std::pair<QString, QString>> trashed; // where each item went, where it was
    for (const QString &path : paths) {
        if (removal == Removal::toTrash) {
            const Result<QString, TrashFailure> moved = moveItemToTrash(path);
            if (moved) {
                trashed.append({moved.value(), path});
                continue;
            }
            // Back from the trash: the change is undone as a whole.
            for (const auto &[inTrash, original] : std::as_const(trashed))
                restoreItemFromTrash(inTrash, original);
            LibraryError error(ErrorKind::notTrashed);
            error.trash = moved.error();
            return error;
        }
        const bool removed = QFileInfo(path).isDir() && !QFileInfo(path).isSymLink()
                ? QDir(path).removeRecursively()
                : QFile::remove(path);
        if (!removed)
            return LibraryError::at(ErrorKind::notDeleted, path);
    }
    return {};
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
    return nextReelNumber(m_reels).value_or(std::numeric_limits<qint64>::max());
}

std::optional<QUuid> LibraryStore::firstInReelOrder() const
{
    if (m_reels.isEmpty())
        return std::nullopt;
    QList<ReelProject> ordered = m_reels;
    sortInReelOrder(ordered);
    return ordered.first().id;
}

LibraryOutcome<ReelProject> LibraryStore::createReel(std::optional<qint64> number, const QString &title,
                                                     const QString &script)
{
    ReelProject created;
    const LibraryOutcome<> changed = change([&](QList<ReelProject> &reels) {
        const bool taken = number && std::any_of(reels.cbegin(), reels.cend(), [&](const ReelProject &r) {
                               return r.prefix == *number;
                           });
        const std::optional<qint64> prefix = number && !taken ? number : nextReelNumber(reels);
        if (!prefix)
            return LibraryOutcome<>::refused(Kind::numbersExhausted, ErrorKind::numbersExhausted);
        created = newReel(*prefix, title, script);
        reels.append(created);
        return LibraryOutcome<>();
    });
    if (!changed)
        return changed.failure();
    setSelectedID(created.id);
    folders().writeScriptFile(created);
    return created;
}

LibraryOutcome<> LibraryStore::updateReel(const ReelProject &changed)
{
    const std::optional<ReelProject> base = reel(changed.id);
    if (!base)
        return notFound();
    ReelProject before, after;
    const LibraryOutcome<> outcome = change(
            [&](QList<ReelProject> &reels) {
                const auto it = std::find_if(reels.begin(), reels.end(),
                                             [&](const auto &r) { return r.id == changed.id; });
                if (it == reels.end())
                    return notFound();
                before = *it;
                *it = mergeReel(*it, *base, changed);
                it->updatedAt = QDateTime::currentDateTimeUtc();
                after = *it;
                return LibraryOutcome<>();
            },
            Unsaved::kept);
    // Folders follow only a list that is saved.
    if (!outcome)
        return outcome;
    const ReelFolders reelFolders = folders();
    QList<ReelProject> others = m_reels;
    others.removeIf([&](const ReelProject &r) { return r.id == after.id; });
    others.append(before);
    reelFolders.move(before, after, others);
    reelFolders.writeScriptFile(after);
    return {};
}

LibraryOutcome<> LibraryStore::deleteReel(const ReelProject &reel, Removal removal)
{
    std::optional<ReelProject> stored;
    QStringList paths;
    const LibraryOutcome<> removed = change(
            [&](QList<ReelProject> &reels) {
                // The stored value names the folder on disk; a caller's copy may carry
                // an unsaved title or number that would point at another reel's folder.
                const auto it = std::find_if(reels.cbegin(), reels.cend(),
                                             [&](const auto &r) { return r.id == reel.id; });
                if (it == reels.cend())
                    return notFound();
                stored = *it;
                reels.removeIf([&](const ReelProject &r) { return r.id == reel.id; });
                paths = folders().ownPaths(*stored, reels);
                if (removal == Removal::toTrash && !paths.isEmpty() && !trashAvailableFor(paths.constFirst()))
                    return LibraryOutcome<>::refused(Kind::noTrash, ErrorKind::noTrash);
                return LibraryOutcome<>();
            },
            Unsaved::dropped, After::saved);
    if (!removed)
        return removed;
    if (m_selectedID == reel.id)
        setSelectedID(firstInReelOrder());
    const LibraryStatus discarded = discard(paths, removal);
    if (discarded)
        return {};
    // The files stay, so the reel comes back to name them.
    LibraryError kept(removal == Removal::toTrash ? ErrorKind::reelNotTrashed : ErrorKind::reelNotDeleted);
    kept.reel = stored->prefix;
    kept.path = reelFolder(*stored);
    kept.cause = std::make_shared<const LibraryError>(discarded.error());
    const LibraryOutcome<> restored = change([&](QList<ReelProject> &reels) {
        reels.append(*stored);
        return LibraryOutcome<>();
    });
    kept.restored = restored.ok();
    return LibraryOutcome<>::refused(Kind::filesKept, std::move(kept));
}

LibraryOutcome<> LibraryStore::addTake(const Take &take, const QUuid &reelID)
{
    return change(
            [&](QList<ReelProject> &reels) {
                const auto it = std::find_if(reels.begin(), reels.end(),
                                             [&](const auto &r) { return r.id == reelID; });
                if (it == reels.end())
                    return notFound();
                it->takes.append(take);
                it->updatedAt = QDateTime::currentDateTimeUtc();
                return LibraryOutcome<>();
            },
            Unsaved::kept);
}

LibraryOutcome<> LibraryStore::setTakeWords(const QUuid &takeID, const QUuid &reelID,
                                            const QList<WordTime> &words)
{
    return change([&](QList<ReelProject> &reels) {
        const auto [reel, take] = findTake(reels, reelID, takeID);
        if (!take)
            return notFound();
        take->words = words;
        return LibraryOutcome<>();
    });
}

LibraryOutcome<> LibraryStore::deleteTake(const QUuid &takeID, const QUuid &reelID, Removal removal)
{
    std::optional<Take> deleted;
    qsizetype position = 0;
    QStringList paths;
    const LibraryOutcome<> removed = change(
            [&](QList<ReelProject> &reels) {
                const auto [reel, take] = findTake(reels, reelID, takeID);
                if (!take)
                    return notFound();
                // Names that are not bare file names never reach the file system.
                const QDir folder(takesFolder(*reel));
                for (const QString &name : bareFileNames(*take)) {
                    const QFileInfo info(folder.filePath(name));
                    if (info.exists() || info.isSymLink())
                        paths.append(folder.filePath(name));
                }
                if (removal == Removal::toTrash && !paths.isEmpty() && !trashAvailableFor(paths.constFirst()))
                    return LibraryOutcome<>::refused(Kind::noTrash, ErrorKind::noTrash);
                deleted = *take;
                position = take - reel->takes.data();
                reel->takes.removeAt(position);
                reel->updatedAt = QDateTime::currentDateTimeUtc();
                return LibraryOutcome<>();
            },
            Unsaved::dropped, After::saved);
    if (!removed)
        return removed;
    const LibraryStatus discarded = discard(paths, removal);
    if (discarded)
        return {};
    // What could not go stays, and the take comes back to name it.
    LibraryError kept(removal == Removal::toTrash ? ErrorKind::takeNotTrashed : ErrorKind::takeNotDeleted);
    kept.cause = std::make_shared<const LibraryError>(discarded.error());
    const LibraryOutcome<> restored = change([&](QList<ReelProject> &reels) {
        const auto it
                = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
        if (it == reels.end())
            return notFound();
        it->takes.insert(std::min(position, it->takes.size()), *deleted);
        return LibraryOutcome<>();
    });
    kept.restored = restored.ok();
    return LibraryOutcome<>::refused(Kind::filesKept, std::move(kept));
}

LibraryOutcome<int> LibraryStore::importMarkdown(const QString &markdown)
{
    const QList<ImportedReel> blocks = parseMarkdown(markdown);
    if (blocks.isEmpty())
        return 0;
    std::optional<AppliedImport> applied;
    const LibraryOutcome<> changed = change([&](QList<ReelProject> &reels) {
        applied = applyImport(reels, blocks);
        if (!applied)
            return LibraryOutcome<>::refused(Kind::numbersExhausted, ErrorKind::numbersExhausted);
        return LibraryOutcome<>();
    });
    if (!changed)
        return changed.failure();
    setSelectedID(applied->selected);
    // The list is saved; the folders follow it.
    const ReelFolders reelFolders = folders();
    for (const ImportedChange &c : std::as_const(applied->changes)) {
        if (c.before)
            reelFolders.move(*c.before, c.after, m_reels);
        reelFolders.writeScriptFile(c.after);
    }
    return int(blocks.size());
}

LibraryStatus LibraryStore::changeRoot(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return ErrorKind::noFolderGiven;
    const QString root = absoluteFolder(folder);
    // Saves still on their way belong to the old folder.
    finishSaves();
    m_settings.write(settings::libraryFolder, root);
    if (m_unreachableFolder) {
        m_unreachableFolder.reset();
        emit unreachableFolderChanged();
    }
    setRootPath(root);
    m_file = LibraryFile(root, m_file);
    m_mark.reset();
    setSaving(m_saving);
    if (!QDir().mkpath(root))
        return LibraryError::at(ErrorKind::folderNotCreated, root);
    if (m_access == Access::readWrite)
        m_mark = std::make_unique<SessionMark>(root);
    setSelectedID(std::nullopt);
    setReels({});
    setLastError(std::nullopt);
    m_unreadableFileInPlace = false;
    load();
    watchFolder();
    return {};
}

} // namespace tandrel
