#pragma once

#include "library/library_error.h"

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>

namespace tandrel {

// "library.json" of one library folder, shared with other processes (a
// second window of the application, tandrelctl): every change is made under
// the folder's lock file, and reading tells whether someone else wrote the
// file since this process last read or wrote it. Main thread only.
class LibraryFile
{
public:
    // How long a writer waits for another process's change to finish.
    static constexpr int lockTimeoutMs = 10000;
    // Age after which an unreadable lock file counts as left behind.
    static constexpr int staleLockMs = 4000;

    explicit LibraryFile(QString folder) : m_folder(std::move(folder)) { }
    // Another folder's file with the settings of `other`.
    LibraryFile(QString folder, const LibraryFile &other)
        : m_folder(std::move(folder)), m_lockTimeoutMs(other.m_lockTimeoutMs)
    { }

    QString path() const;

    // Holds the folder's lock while it lives. A lock left by a process that
    // died is taken over.
    using Lock = std::unique_ptr<QLockFile>;
    // The lock, or lockBusy when another process holds it longer than the
    // lock timeout.
    LibraryResult<Lock> lock() const;
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }

    // Which file a path named and how it was last written: every save
    // replaces the file, so another writer's save shows as another inode.
    struct Stamp
    {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedSeconds = 0, modifiedNanoseconds = 0;
        bool operator==(const Stamp &) const = default;
    };
    struct Reading
    {
        bool exists = false;
        // Written by someone else since this process last read or wrote it
        // (or gone); only then are the bytes read.
        bool changed = false;
        QByteArray bytes;
        std::optional<Stamp> stamp; // of the file the bytes came from
    };
    // The file as it is now.
    LibraryResult<Reading> read() const;
    // Writes atomically (the file is the old or the new bytes, never a mix)
    // and remembers the file as known.
    LibraryStatus write(const QByteArray &bytes);
    // Writes `bytes` to `path` atomically; the stamp of the file written
    // (none when it cannot be taken). Touches no LibraryFile, so that a
    // writer thread may call it; the owner then calls remember().
    static LibraryResult<std::optional<Stamp>> writeFile(const QString &path, const QByteArray &bytes);
    // Marks what was read, or a stamp written, as what this process has seen.
    void remember(const Reading &reading) { remember(reading.stamp); }
    void remember(std::optional<Stamp> stamp)
    {
        m_known = true;
        m_knownStamp = stamp;
    }
    void forget()
    {
        m_known = false;
        m_knownStamp.reset();
    }

private:
    QString m_folder;
    bool m_known = false;
    // The file last read or written: while the path still names it (same
    // inode, size and modification time), the file is not read again (a save
    // of this process is seen by the folder watcher too, and a large library
    // is megabytes).
    std::optional<Stamp> m_knownStamp;
    int m_lockTimeoutMs = lockTimeoutMs;
};

} // namespace tandrel
