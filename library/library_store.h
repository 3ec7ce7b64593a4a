#pragma once

#include "library/library_file.h"
#include "library/library_outcome.h"
#include "library/library_writer.h"
#include "library/reel_folders.h"
#include "library/reel_project.h"
#include "library/session_mark.h"
#include "platform/settings_store.h"

#include <QObject>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;

namespace tandrel {

// The user's library: the reels, their folder on disk, library.json and the
// selected reel. Every change goes through an operation that updates the
// list, saves the whole list once and then keeps the reel folders in step.
// Other processes may change the same library: each operation works on the
// list as it is on disk, under the folder's lock file, and a change made
// outside is loaded as soon as it is seen. A change operation returns its
// outcome to its caller; lastError holds what loading met, and what a save
// in the background met. Main thread only.
class LibraryStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<tandrel::ReelProject> reels READ reels NOTIFY reelsChanged)
    Q_PROPERTY(std::optional<QUuid> selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(std::optional<tandrel::LibraryError> lastError READ lastError WRITE setLastError NOTIFY
                       lastErrorChanged)
    Q_PROPERTY(int recoveredNote READ recoveredNote WRITE setRecoveredNote NOTIFY recoveredNoteChanged)
    Q_PROPERTY(QString rootPath READ rootPath NOTIFY rootPathChanged)
    Q_PROPERTY(
            std::optional<QString> unreachableFolder READ unreachableFolder NOTIFY unreachableFolderChanged)
public:
    // readOnly creates no folder and writes nothing on load (tandrelctl's
    // reading commands); every change operation still writes.
    enum class Access { readWrite, readOnly };
    // Where deleted files go: the desktop's trash, from which the file
    // manager restores them, or nowhere.
    enum class Removal { toTrash, permanently };
    // How a change reaches library.json. `waited`: before the operation
    // returns, which reports a failed save (tandrelctl). `inBackground`: the
    // change is in `reels` at once and written on a thread of its own, so
    // that the window never waits for the disk (the application); a failed
    // save then comes as lastError, the change stays in memory and the next
    // save writes it, merged with what others wrote meanwhile.
    enum class Saving { waited, inBackground };

    // `folder` overrides the remembered folder ("library.bookmark") and the default one.
    explicit LibraryStore(SettingsStore &settings, std::optional<QString> folder = std::nullopt,
                          QObject *parent = nullptr, Access access = Access::readWrite);
    ~LibraryStore() override;

    // The user's movies folder, then "Tandrel".
    static QString defaultFolder();

    QList<ReelProject> reels() const { return m_reels; }
    std::optional<QUuid> selectedID() const { return m_selectedID; }
    void setSelectedID(std::optional<QUuid> id);
    std::optional<LibraryError> lastError() const { return m_lastError; }
    // The main window's alert clears the text once the user has seen it.
    void setLastError(std::optional<LibraryError> error);
    // How many takes the latest load adopted, for a note to the user that is
    // no failure; 0 once the note is shown.
    int recoveredNote() const { return m_recoveredNote; }
    // The takes the latest load adopted from files a killed recording left
    // (reel and take ids); takesRecovered tells when the list changes.
    QList<std::pair<QUuid, QUuid>> recoveredTakes() const { return m_recoveredTakes; }
    void setRecoveredNote(int count);
    // The library folder as an absolute path.
    QString rootPath() const { return m_rootPath; }
    // The remembered library folder while it cannot be reached (missing,
    // not mounted, no permission) and the default folder stands in for it.
    std::optional<QString> unreachableFolder() const { return m_unreachableFolder; }
    // Whether `folder` is a folder this process may read and write in.
    static bool isReachable(const QString &folder);

    // Reads library.json. With write access, and only after a process ended
    // without closing this library (SessionMark), also writes missing
    // reel.md files and adopts the takes a killed recording left behind.
    void load();
    void save();
    // How long a change waits for another process's change (10 s by default).
    void setLockTimeout(int ms) { m_file.setLockTimeout(ms); }
    void setSaving(Saving saving);
    // Waits until every save made in the background is on disk (or has
    // failed, into lastError). The destructor does so as well.
    void finishSaves();
    // Whether a save made in the background is still on its way.
    bool savesPending() const { return m_heldLock != nullptr; }
    // The last save failed: what is shown is not what the file holds.
    bool hasUnsavedChanges() const { return m_unsaved; }

    std::optional<ReelProject> reel(const QUuid &id) const;
    qint64 nextPrefix() const;
    // The change operations. A change whose save fails is not kept, except
    // an edited reel (its editor still shows it) and a recorded take (its
    // files exist): those stay in the list, and the next save tries again.
    LibraryOutcome<ReelProject> createReel(std::optional<qint64> number, const QString &title,
                                           const QString &script);
    LibraryOutcome<> updateReel(const ReelProject &changed);
    LibraryOutcome<> addTake(const Take &take, const QUuid &reelID);
    // Stores when the take's script words were said; the reel's
    // modification time stays, as this is learnt from the take, not edited.
    LibraryOutcome<> setTakeWords(const QUuid &takeID, const QUuid &reelID, const QList<WordTime> &words);
    // Deleting saves the library first (waiting for the save, also in the
    // background mode) and moves the files after. Files that
    // cannot be moved stay, and their reel or take goes back into the
    // library. With `Removal::toTrash` on a drive without a trash nothing
    // happens (Kind::noTrash): the caller may ask and delete permanently.
    LibraryOutcome<> deleteReel(const ReelProject &reel, Removal removal = Removal::toTrash);
    LibraryOutcome<> deleteTake(const QUuid &takeID, const QUuid &reelID, Removal removal = Removal::toTrash);
    // Applies every block of the text as one change, saved once; the number
    // of blocks parsed. Refused as a whole when the reel numbers would run
    // past the largest 64-bit number.
    LibraryOutcome<int> importMarkdown(const QString &markdown);
    // Switches to another library folder and loads it; files of the old folder stay there.
    LibraryStatus changeRoot(const QString &folder);

    QString reelFolder(const ReelProject &reel) const { return folders().reelFolder(reel); }
    QString takesFolder(const ReelProject &reel) const { return folders().takesFolder(reel); }

    // Creates the reel's folder and its takes folder; failures are ignored.
    void ensureFolders(const ReelProject &reel) const { folders().ensure(reel); }

signals:
    void reelsChanged();
    void selectedIDChanged();
    void lastErrorChanged();
    void recoveredNoteChanged();
    void rootPathChanged();
    void unreachableFolderChanged();
    void takesRecovered();

private:
    using Edit = std::function<LibraryOutcome<>(QList<ReelProject> &reels)>;
    // Whether a change whose save failed stays in memory.
    enum class Unsaved { kept, dropped };
    // When a change returns: once its save is asked for (in the background
    // when saves go there), or once it is on disk. Deletions wait: their
    // files go only when the list without them is saved.
    enum class After { saveInBackground, saved };
    // One change: under the lock, on the list as it is on disk, saved once;
    // a failure of `edit` leaves the library alone.
    LibraryOutcome<> change(const Edit &edit, Unsaved unsaved = Unsaved::dropped,
                            After after = After::saveInBackground);
    // Takes `paths` away as `removal` says; puts back what went to the trash
    // when one of them cannot go.
    static LibraryStatus discard(const QStringList &paths, Removal removal);
    // Adopts library.json when another process wrote it since it was last
    // read or written here. Call with the lock held, or to pick up a change
    // seen by the watcher.
    void refresh();
    void reloadAfterOutsideChange();
    void watchFolder();
    LibraryStatus saveLocked(const QList<ReelProject> &reels);
    void saveInBackground(std::shared_ptr<QLockFile> lock, const QList<ReelProject> &reels);
    void backgroundSaveDone(LibraryWriter::Saved saved);
    // The folder's lock: the one saves in the background still hold, or a new one.
    LibraryResult<std::shared_ptr<QLockFile>> lockFolder();
    void setReels(QList<ReelProject> reels);
    void setRootPath(const QString &folder);
    std::optional<QUuid> firstInReelOrder() const;
    qsizetype indexOfReel(const QUuid &id) const;
    ReelFolders folders() const { return ReelFolders(m_rootPath); }
    // Writes "reel.md" of reels that have none (after a crash between saving
    // the list and writing the folders).
    void restoreScriptFiles() const;
    // Adds the takes a crashed recording left in the takes folders; false
    // when they could not be saved (they are looked for again next time).
    bool adoptOrphanTakes();

    SettingsStore &m_settings;
    Access m_access;
    QList<ReelProject> m_reels;
    std::optional<QUuid> m_selectedID;
    std::optional<LibraryError> m_lastError;
    int m_recoveredNote = 0;
    QList<std::pair<QUuid, QUuid>> m_recoveredTakes;
    QString m_rootPath;
    std::optional<QString> m_unreachableFolder;
    LibraryFile m_file{QString()};
    // Set when library.json exists but could not be read: it is moved aside
    // before anything replaces it.
    bool m_unreadableFileInPlace = false;
    QFileSystemWatcher *m_watcher = nullptr;
    // Held while this store may write the folder (write access only).
    std::unique_ptr<SessionMark> m_mark;
    Saving m_saving = Saving::waited;
    std::unique_ptr<LibraryWriter> m_writer;
    // The folder's lock while saves in the background are on their way: no
    // other process can have written meanwhile, so changes go on without
    // reading the file.
    std::shared_ptr<QLockFile> m_heldLock;
    quint64 m_saveSerial = 0;
    // The list as library.json holds it (last read or written), and whether
    // `m_reels` holds changes that are not there, after a failed save.
    QList<ReelProject> m_onDisk;
    bool m_unsaved = false;
};

} // namespace tandrel
