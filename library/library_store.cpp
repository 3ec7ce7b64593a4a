#include "library/library_store.h"

#include "library/file_names.h"
#include "library/library_json.h"
#include "library/markdown_import.h"
#include "library/reel_import.h"
#include "library/take_recovery.h"
#include "platform/file_error.h"

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

const QString ReadErrorPrefix = QStringLiteral("Bibliothek konnte nicht gelesen werden: ");
const QString SaveErrorPrefix = QStringLiteral("Bibliothek konnte nicht gespeichert werden: ");
const QString NumbersExhausted = QStringLiteral("Es gibt keine freie Reel-Nummer mehr: Die höchste mögliche "
                                                "Nummer ist vergeben.");

QString absoluteFolder(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

// The caller's changes to a reel (`changed` against the `base` it was made
// from) applied to the reel as it is now (`current`), so that what another
// process changed meanwhile in the other fields survives.
ReelProject merged(const ReelProject &current, const ReelProject &base, const ReelProject &changed)
{
    ReelProject result = current;
    auto take = [](auto &field, const auto &was, const auto &now) {
        if (!(was == now))
            field = now;
    };
    take(result.prefix, base.prefix, changed.prefix);
    take(result.title, base.title, changed.title);
    take(result.script, base.script, changed.script);
    take(result.createdAt, base.createdAt, changed.createdAt);
    take(result.takes, base.takes, changed.takes);
    // NaN never equals itself; a NaN written by the caller still arrives.
    if (!(base.cropCenterX == changed.cropCenterX))
        result.cropCenterX = changed.cropCenterX;
    return result;
}

} // namespace

LibraryStore::LibraryStore(UserDefaults &defaults, std::optional<QString> folder, QObject *parent,
                           Access access)
    : QObject(parent), m_defaults(defaults), m_access(access)
{
    if (folder) {
        m_rootPath = absoluteFolder(*folder);
    } else {
        // The remembered folder counts only while it still resolves to a folder.
        const std::optional<QString> remembered = m_defaults.read(settings::libraryBookmark);
        if (remembered && QDir::isAbsolutePath(*remembered) && QFileInfo(*remembered).isDir())
            m_rootPath = absoluteFolder(*remembered);
        else
            m_rootPath = defaultFolder();
    }
    m_file = LibraryFile(m_rootPath);
    if (m_access == Access::readWrite)
        QDir().mkpath(m_rootPath);
    load();
    watchFolder();
}

LibraryStore::~LibraryStore() = default;

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

void LibraryStore::setStatusNote(std::optional<QString> note)
{
    if (m_statusNote != note) {
        m_statusNote = std::move(note);
        emit statusNoteChanged();
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
    m_file.forget();
    const Result<LibraryFile::Reading> reading = m_file.read();
    if (!reading) {
        m_unreadableFileInPlace = true;
        setLastError(ReadErrorPrefix + reading.error());
        return;
    }
    if (!reading->exists) {
        m_unreadableFileInPlace = false;
        setReels({});
        return;
    }
    const Result<QList<ReelProject>> decoded = decodeLibrary(reading->bytes);
    if (!decoded) {
        m_unreadableFileInPlace = true;
        setLastError(ReadErrorPrefix + decoded.error());
        return;
    }
    m_unreadableFileInPlace = false;
    m_file.remember(*reading);
    setReels(*decoded);
    if (!m_selectedID)
        setSelectedID(firstInReelOrder());
    if (m_access == Access::readWrite) {
        restoreScriptFiles();
        adoptOrphanTakes();
    }
}

void LibraryStore::adoptOrphanTakes()
{
    const QList<RecoveredTake> found = findOrphanTakes(m_reels, folders());
    if (found.isEmpty())
        return;
    int adopted = 0;
    change([&](QList<ReelProject> &reels) {
        adopted = addRecoveredTakes(reels, found);
        return adopted > 0;
    });
    if (adopted == 1)
        setStatusNote(QStringLiteral("1 Take wiederhergestellt."));
    else if (adopted > 1)
        setStatusNote(QStringLiteral("%1 Takes wiederhergestellt.").arg(adopted));
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
    const Result<LibraryFile::Reading> reading = m_file.read();
    if (!reading) {
        m_unreadableFileInPlace = true;
        return;
    }
    // A library file that vanished keeps the list in memory: the next save
    // writes it again rather than losing every reel.
    if (!reading->exists || !reading->changed)
        return;
    const Result<QList<ReelProject>> decoded = decodeLibrary(reading->bytes);
    if (!decoded) {
        m_unreadableFileInPlace = true;
        return;
    }
    m_unreadableFileInPlace = false;
    m_file.remember(*reading);
    setReels(*decoded);
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

bool LibraryStore::moveUnreadableFileAside(QString *error)
{
    const QString current = m_file.path();
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
                + germanFileError(file.errorString());
        return false;
    }
    m_unreadableFileInPlace = false;
    return true;
}

Status LibraryStore::saveLocked()
{
    if (!QDir().mkpath(m_rootPath))
        return Status::failure(QStringLiteral("Der Ordner %1 konnte nicht angelegt werden.").arg(m_rootPath));
    const Result<QByteArray> encoded = encodeLibrary(m_reels);
    if (!encoded)
        return Status::failure(encoded.error());
    // A library file that could not be read keeps its content under another name.
    if (m_unreadableFileInPlace) {
        QString error;
        if (!moveUnreadableFileAside(&error))
            return Status::failure(error);
    }
    return m_file.write(*encoded);
}

void LibraryStore::save()
{
    const Result<LibraryFile::Lock> lock = m_file.lock();
    const Status saved = lock ? saveLocked() : Status::failure(lock.error());
    if (!saved)
        setLastError(SaveErrorPrefix + saved.error());
    watchFolder();
}

bool LibraryStore::change(const Edit &edit)
{
    const Result<LibraryFile::Lock> lock = m_file.lock();
    if (!lock) {
        setLastError(SaveErrorPrefix + lock.error());
        return false;
    }
    refresh();
    QList<ReelProject> reels = m_reels;
    if (!edit(reels))
        return false;
    // The list in memory is the changed one even when saving fails: the
    // user sees the change and the error, and the next save tries again.
    setReels(std::move(reels));
    if (const Status saved = saveLocked(); !saved)
        setLastError(SaveErrorPrefix + saved.error());
    watchFolder();
    return true;
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

ReelProject LibraryStore::createReel(std::optional<qint64> number, const QString &title,
                                     const QString &script)
{
    ReelProject created;
    const bool applied = change([&](QList<ReelProject> &reels) {
        const bool taken = number && std::any_of(reels.cbegin(), reels.cend(), [&](const ReelProject &r) {
                               return r.prefix == *number;
                           });
        const std::optional<qint64> prefix = number && !taken ? number : nextReelNumber(reels);
        if (!prefix) {
            setLastError(NumbersExhausted);
            return false;
        }
        created = newReel(*prefix, title, script);
        reels.append(created);
        return true;
    });
    if (!applied)
        return created;
    setSelectedID(created.id);
    folders().writeScriptFile(created);
    return created;
}

void LibraryStore::updateReel(const ReelProject &changed)
{
    const std::optional<ReelProject> base = reel(changed.id);
    if (!base)
        return;
    ReelProject before, after;
    const bool applied = change([&](QList<ReelProject> &reels) {
        const auto it
                = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == changed.id; });
        if (it == reels.end())
            return false;
        before = *it;
        *it = merged(*it, *base, changed);
        it->updatedAt = QDateTime::currentDateTimeUtc();
        after = *it;
        return true;
    });
    if (!applied)
        return;
    const ReelFolders reelFolders = folders();
    QList<ReelProject> others = m_reels;
    others.removeIf([&](const ReelProject &r) { return r.id == after.id; });
    others.append(before);
    reelFolders.move(before, after, others);
    reelFolders.writeScriptFile(after);
}

void LibraryStore::deleteReel(const ReelProject &reel)
{
    std::optional<ReelProject> stored;
    const bool applied = change([&](QList<ReelProject> &reels) {
        // The stored value names the folder on disk; a caller's copy may carry
        // an unsaved title or number that would point at another reel's folder.
        const auto it
                = std::find_if(reels.cbegin(), reels.cend(), [&](const auto &r) { return r.id == reel.id; });
        if (it == reels.cend())
            return false;
        stored = *it;
        reels.removeIf([&](const ReelProject &r) { return r.id == reel.id; });
        return true;
    });
    if (!applied)
        return;
    if (m_selectedID == reel.id)
        setSelectedID(firstInReelOrder());
    folders().remove(*stored, m_reels);
}

void LibraryStore::addTake(const Take &take, const QUuid &reelID)
{
    change([&](QList<ReelProject> &reels) {
        const auto it
                = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
        if (it == reels.end())
            return false;
        it->takes.append(take);
        it->updatedAt = QDateTime::currentDateTimeUtc();
        return true;
    });
}

void LibraryStore::deleteTake(const QUuid &takeID, const QUuid &reelID)
{
    change([&](QList<ReelProject> &reels) {
        const auto reelIt
                = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.id == reelID; });
        if (reelIt == reels.end())
            return false;
        const auto takeIt = std::find_if(reelIt->takes.begin(), reelIt->takes.end(),
                                         [&](const Take &t) { return t.id == takeID; });
        if (takeIt == reelIt->takes.end())
            return false;
        // Names that are not bare file names never reach the file system.
        const QDir folder(takesFolder(*reelIt));
        for (const QString &name : bareFileNames(*takeIt)) {
            const QString path = folder.filePath(name);
            const QFileInfo info(path);
            if (!info.exists() && !info.isSymLink())
                continue;
            QFile file(path);
            if (!file.remove()) {
                setLastError(QStringLiteral("Take konnte nicht gelöscht werden: ")
                             + germanFileError(file.errorString()));
                return false;
            }
        }
        reelIt->takes.erase(takeIt);
        reelIt->updatedAt = QDateTime::currentDateTimeUtc();
        return true;
    });
}

int LibraryStore::importMarkdown(const QString &markdown)
{
    const QList<ImportedReel> blocks = parseMarkdown(markdown);
    if (blocks.isEmpty())
        return 0;
    std::optional<AppliedImport> applied;
    const bool changed = change([&](QList<ReelProject> &reels) {
        applied = applyImport(reels, blocks);
        if (!applied)
            setLastError(NumbersExhausted);
        return applied.has_value();
    });
    if (!changed)
        return 0;
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

Status LibraryStore::changeRoot(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return Status::failure(QStringLiteral("Kein Ordner für die Bibliothek angegeben."));
    const QString root = absoluteFolder(folder);
    m_defaults.write(settings::libraryBookmark, root);
    setRootPath(root);
    m_file = LibraryFile(root, m_file);
    if (!QDir().mkpath(root))
        return Status::failure(QStringLiteral("Der Ordner %1 konnte nicht angelegt werden.").arg(root));
    setSelectedID(std::nullopt);
    setReels({});
    setLastError(std::nullopt);
    m_unreadableFileInPlace = false;
    load();
    watchFolder();
    return {};
}

} // namespace tandrel
