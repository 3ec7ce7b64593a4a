#pragma once

#include "library/reel_project.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <atomic>
#include <deque>
#include <thread>

namespace tandrel {

class LibraryStore;

// Learns when each script word was said in recorded takes, one take at a
// time on a thread of its own, so that a long alignment never delays the
// next take; the library keeps the result with the take. Main thread only;
// the library must outlive it. Destroying it cancels the running alignment.
class TakeCaptioner : public QObject
{
    Q_OBJECT
public:
    explicit TakeCaptioner(LibraryStore &library, QObject *parent = nullptr);
    ~TakeCaptioner() override;

    // Aligns the take's audio to `script` (the reel's script as it was when
    // the take was recorded) after the takes queued before it.
    void align(const ReelProject &reel, const Take &take, const QString &script);

    bool isBusy() const { return m_running || !m_queue.empty(); }

signals:
    void takeAligned(const QUuid &takeID);
    // The German reason; the take stays without word times.
    void takeFailed(const QUuid &takeID, const QString &reason);

private:
    struct Job
    {
        QUuid reelID;
        QUuid takeID;
        QString audioPath;
        QString script;
    };
    void startNext();
    void finished(const Job &job, bool ok, const QList<WordTime> &words, const QString &error);

    LibraryStore &m_library;
    std::deque<Job> m_queue;
    bool m_running = false;
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
};

} // namespace tandrel
