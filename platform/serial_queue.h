#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tandrel {

// One worker thread running closures in the order they were posted. The
// destructor runs what is still queued, then joins the thread.
class SerialQueue
{
public:
    explicit SerialQueue(const char *name = "serial");
    ~SerialQueue();
    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    void post(std::function<void()> work);
    // Posts `work` and waits until it has run. Must not be called on this queue.
    void postAndWait(std::function<void()> work);
    // True when called from this queue's thread.
    bool isCurrent() const;

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_work;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace tandrel
