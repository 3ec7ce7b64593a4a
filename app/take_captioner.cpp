#include "app/take_captioner.h"

#include "app/follow_status_text.h"
#include "app/library_error_text.h"
#include "library/library_store.h"
#include "platform/main_thread.h"
#include "speech/take_word_times.h"

#include <QDir>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tandrel {

TakeCaptioner::TakeCaptioner(LibraryStore &library, QObject *parent) : QObject(parent), m_library(library)
{ }

TakeCaptioner::~TakeCaptioner()
{
    m_cancelled = true;
    if (m_worker.joinable())
        m_worker.join();
}

void TakeCaptioner::align(const ReelProject &reel, const Take &take, const QString &script)
{
    if (!take.audioFileName)
        return; // no sound, no words
    if (progress(take.id))
        return;
    m_failures.remove(take.id);
    m_queue.push_back(
            {reel.id, take.id, QDir(m_library.takesFolder(reel)).filePath(*take.audioFileName), script});
    emit takeStateChanged(take.id);
    startNext();
}

std::optional<double> TakeCaptioner::progress(const QUuid &takeID) const
{
    if (m_running && m_current == takeID)
        return m_currentProgress;
    for (const Job &job : m_queue) {
        if (job.takeID == takeID)
            return 0.0;
    }
    return std::nullopt;
}

void TakeCaptioner::startNext()
{
    if (m_running || m_queue.empty())
        return;
    if (m_worker.joinable())
        m_worker.join(); // the previous one has handed over its result already
    const Job job = m_queue.front();
    m_queue.pop_front();
    m_running = true;
    m_current = job.takeID;
    m_currentProgress = 0;
    m_worker = std::thread([this, job] {
        // The next take may already be recording: its encoders come first.
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 19);
        const auto decoded = [this, job](double share) {
            runOnMain(this, [this, job, share] {
                if (m_running && m_current == job.takeID) {
                    m_currentProgress = share;
                    emit takeStateChanged(job.takeID);
                }
            });
        };
        const Result<WordAlignment, SpeechProblem> aligned
                = alignTakeAudio(job.audioPath, job.script, {}, &m_cancelled, decoded);
        if (m_cancelled)
            return;
        const bool ok = aligned.ok();
        const QList<WordTime> words = ok ? aligned->words : QList<WordTime>();
        const QString error = ok ? QString() : speechProblemText(aligned.error());
        runOnMain(this, [this, job, ok, words, error] { finished(job, ok, words, error); });
    });
}

void TakeCaptioner::finished(const Job &job, bool ok, const QList<WordTime> &words, const QString &error)
{
    m_running = false;
    m_current = QUuid();
    QString reason = ok || !error.isEmpty() ? error : tr("Die Wortzeiten konnten nicht bestimmt werden.");
    if (ok) {
        if (const LibraryOutcome<> kept = m_library.setTakeWords(job.takeID, job.reelID, words); !kept)
            reason = libraryErrorText(kept.error());
    }
    if (!reason.isEmpty())
        m_failures.insert(job.takeID, reason);
    emit takeStateChanged(job.takeID);
    if (reason.isEmpty())
        emit takeAligned(job.takeID);
    else
        emit takeFailed(job.takeID, reason);
    startNext();
}

} // namespace tandrel
