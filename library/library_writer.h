#pragma once

#include "library/library_file.h"
#include "library/reel_project.h"
#include "platform/result.h"
#include "platform/serial_queue.h"

#include <QList>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QLockFile;

namespace tandrel {

// Saves library.json on a thread of its own, so that the window never waits
// for encoding and the disk. Saves reach the file in the order they were
// asked for; a save still waiting when a newer one is asked for is left out,
// as the newer list holds its change too. Each save holds the folder's lock
// until its outcome is back on the main thread. Asked for, and answered, on
// the main thread.
class LibraryWriter
{
public:
    struct Save
    {
        quint64 serial = 0;
        QList<ReelProject> reels;
        std::shared_ptr<QLockFile> lock;
        // library.json could not be read: its content is moved aside before
        // anything replaces it.
        bool unreadableFileInPlace = false;
    };
    struct Saved
    {
        quint64 serial = 0;
        QList<ReelProject> reels; // what was written, or was to be
        LibraryStatus status;
        std::optional<LibraryFile::Stamp> stamp;
        std::shared_ptr<QLockFile> lock;
        bool unreadableFileInPlace = false; // still, after this save
    };
    using Done = std::function<void(Saved)>;

    // `done` runs on the main thread for every save that ran, in order,
    // while `context` lives.
    LibraryWriter(QString folder, QObject *context, Done done);
    // Finishes what was asked for; outcomes not yet handed over are dropped.
    ~LibraryWriter();

    void save(Save save);
    // Waits until every save asked for is on disk, then hands over their
    // outcomes at once. Main thread.
    void finish();

private:
    void writeWaiting(); // writer thread
    void handOver(); // main thread

    QString m_folder;
    QObject *m_context; // outlives this writer
    Done m_done;
    mutable std::mutex m_mutex;
    std::optional<Save> m_waiting;
    std::deque<Saved> m_saved;
    bool m_unreadableFileInPlace = false; // writer thread
    SerialQueue m_queue{"library-writer"};
};

// Renames library.json at `path`, which could not be read, to
// "library.json.unreadable-<date>" beside it, so that no save replaces it.
LibraryStatus moveUnreadableFileAside(const QString &path);

} // namespace tandrel
