#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace tandrel {

// One chunk of recogniser audio: 16 kHz mono signed 16-bit samples and the
// capture time of its first sample in seconds.
struct SpeechChunk
{
    QByteArray samples;
    double time = 0;
};

// The recogniser's input stream: the audio sink yields chunks from the
// capture's output queue, the recogniser's thread takes them. Finishing the
// stream lets the recogniser drain what is queued and end its run.
// Thread-safe; chunks yielded after `finish` are dropped.
class SpeechInputStream
{
public:
    void yield(SpeechChunk chunk)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_finished)
                return;
            m_chunks.push_back(std::move(chunk));
        }
        m_wake.notify_one();
    }

    void finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_wake.notify_all();
    }

    bool isFinished() const
    {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

    // Blocks until a chunk is there or the stream is finished and drained;
    // false means the stream has ended.
    bool next(SpeechChunk &chunk)
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_chunks.empty() || m_finished; });
        if (m_chunks.empty())
            return false;
        chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        return true;
    }

    // Chunks waiting for the recogniser (a measure of its backlog).
    size_t pending() const
    {
        std::lock_guard lock(m_mutex);
        return m_chunks.size();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SpeechChunk> m_chunks;
    bool m_finished = false;
};

} // namespace tandrel
