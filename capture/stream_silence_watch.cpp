#include "capture/stream_silence_watch.h"

#include <gst/gst.h>

#include <algorithm>
#include <utility>

namespace tandrel {

StreamSilenceWatch::StreamSilenceWatch(std::chrono::milliseconds limit, std::function<void()> onSilent)
    : m_limit(limit), m_onSilent(std::move(onSilent))
{
}

std::shared_ptr<StreamSilenceWatch> StreamSilenceWatch::start(std::chrono::milliseconds limit,
                                                              std::function<void()> onSilent)
{
    std::shared_ptr<StreamSilenceWatch> watch(new StreamSilenceWatch(limit, std::move(onSilent)));
    GstClock *clock = gst_system_clock_obtain();
    const GstClockTime interval = GST_MSECOND * std::max<long long>(limit.count() / 4, 1);
    GstClockID tick = gst_clock_new_periodic_id(clock, gst_clock_get_time(clock) + interval, interval);
    gst_object_unref(clock);
    // The clock holds a reference until the entry is unscheduled and freed,
    // so that a tick in flight never outlives the watch.
    gst_clock_id_wait_async(
            tick,
            [](GstClock *, GstClockTime, GstClockID, gpointer data) -> gboolean {
                (*static_cast<std::shared_ptr<StreamSilenceWatch> *>(data))->tick();
                return TRUE;
            },
            new std::shared_ptr<StreamSilenceWatch>(watch),
            [](gpointer data) { delete static_cast<std::shared_ptr<StreamSilenceWatch> *>(data); });
    watch->m_tick = tick;
    return watch;
}

StreamSilenceWatch::~StreamSilenceWatch()
{
    stop();
}

void StreamSilenceWatch::noteBuffer()
{
    m_lastBuffer.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

void StreamSilenceWatch::stop()
{
    if (m_tick) {
        gst_clock_id_unschedule(m_tick);
        gst_clock_id_unref(m_tick);
        m_tick = nullptr;
    }
    std::lock_guard lock(m_lock);
    m_onSilent = nullptr;
}

void StreamSilenceWatch::tick()
{
    const auto last = m_lastBuffer.load(std::memory_order_relaxed);
    if (last == 0)
        return;
    const std::chrono::steady_clock::time_point at{std::chrono::steady_clock::duration(last)};
    if (std::chrono::steady_clock::now() - at <= m_limit)
        return;
    std::lock_guard lock(m_lock);
    if (const std::function<void()> onSilent = std::exchange(m_onSilent, nullptr))
        onSilent();
}

} // namespace tandrel
