#include "platform/serial_queue.h"

#include <future>
#include <pthread.h>

namespace tandrel {

SerialQueue::SerialQueue(const char *name)
    : m_thread([this] { run(); })
{
    pthread_setname_np(m_thread.native_handle(), name);
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SerialQueue::post(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void SerialQueue::postAndWait(std::function<void()> work)
{
    std::promise<void> done;
    post([&] {
        work();
        done.set_value();
    });
    done.get_future().wait();
}

bool SerialQueue::isCurrent() const
{
    return std::this_thread::get_id() == m_thread.get_id();
}

void SerialQueue::run()
{
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_work.empty(); });
            if (m_work.empty())
                return; // stopping and drained
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
    }
}

} // namespace tandrel
