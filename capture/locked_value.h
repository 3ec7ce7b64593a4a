#pragma once

#include <mutex>

namespace tandrel {

// A value that the user interface writes and the capture threads read: every
// access copies under the cell's own lock, and nothing else runs under it.
template<typename T> class LockedValue
{
public:
    explicit LockedValue(T initial = T()) : m_value(std::move(initial)) { }

    T get() const
    {
        std::lock_guard lock(m_lock);
        return m_value;
    }
    void set(T value)
    {
        std::lock_guard lock(m_lock);
        m_value = std::move(value);
    }
    // Runs a short update on the value under the lock (for state that is
    // changed in place, such as a tracker fed buffer by buffer).
    template<typename F>
    auto update(F &&change)
    {
        std::lock_guard lock(m_lock);
        return change(m_value);
    }

private:
    mutable std::mutex m_lock;
    T m_value;
};

// The two mirror settings as the capture threads read them.
struct VideoFlip
{
    bool horizontal = false;
    bool vertical = false;
    bool operator==(const VideoFlip &) const = default;
};

} // namespace tandrel
