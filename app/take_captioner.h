#pragma once

#include "library/reel_project.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>
#include <atomic>
#include <deque>
#include <optional>
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
    // the take was recorded) after the takes queued before it. A take that is
    // already waiting or being aligned is not queued again.
    void align(const ReelProject &reel, const Take &take, const QString &script);

    bool isBusy() const { return m_running || !m_queue.empty(); }
    // Where the take is: none when it is neither waiting nor being aligned,
    // 0 while it waits, then the share of its audio decoded.
    std::optional<double> progress(const QUuid &takeID) const;
    // Why the take's last alignment failed, in German; empty when it did not.
    QString failure(const QUuid &takeID) const { return m_failures.value(takeID); }

signals:
    void takeAligned(const QUuid &takeID);
    // The German reason; the take stays without word times.
    void takeFailed(const QUuid &takeID, const QString &reason);
    // The take's progress or failure changed.
    void takeStateChanged(const QUuid &takeID);

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
    QUuid m_current; // the take being aligned, while m_running
    double m_currentProgress = 0;
    QHash<QUuid, QString> m_failures;
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
};

} // namespace tandrel
