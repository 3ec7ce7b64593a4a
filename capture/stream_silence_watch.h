#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace tandrel {

// Tells once when a stream that has sent pictures sends none for longer
// than a limit. A PipeWire stream whose producer went away (the desktop
// ended the share, its screen sharing service stopped) falls silent without
// an error from pipewiresrc, while the producer of a live one resends its
// last picture every few milliseconds. The watch ticks on GStreamer's
// system clock thread; a stream that has not sent its first picture yet is
// not silent: a still screen sends its first only when it changes.
class StreamSilenceWatch
{
public:
    // Starts watching; `onSilent` runs at most once, on the clock's thread,
    // and not after stop() has returned. The clock keeps the watch until
    // stop() ends it.
    static std::shared_ptr<StreamSilenceWatch> start(std::chrono::milliseconds limit,
                                                     std::function<void()> onSilent);
    ~StreamSilenceWatch();

    // A picture arrived; any thread.
    void noteBuffer();
    void stop();

private:
    StreamSilenceWatch(std::chrono::milliseconds limit, std::function<void()> onSilent);
    void tick();

    const std::chrono::milliseconds m_limit;
    std::atomic<std::chrono::steady_clock::rep> m_lastBuffer{0}; // 0 before the first
    std::mutex m_lock; // guards m_onSilent against stop()
    std::function<void()> m_onSilent;
    void *m_tick = nullptr; // the clock's periodic entry
};

} // namespace tandrel
