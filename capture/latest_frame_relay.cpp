#include "capture/latest_frame_relay.h"

#include <gst/gst.h>

namespace tandrel {

std::shared_ptr<LatestFrameRelay> LatestFrameRelay::create(SerialQueue &queue, Handler handler)
{
    return std::shared_ptr<LatestFrameRelay>(new LatestFrameRelay(queue, std::move(handler)));
}

LatestFrameRelay::LatestFrameRelay(SerialQueue &queue, Handler handler)
    : m_queue(queue), m_handler(std::move(handler))
{ }

void LatestFrameRelay::push(GstSample *sample, double captureTime)
{
    GstSample *dropped = nullptr;
    bool post = false;
    {
        std::lock_guard lock(m_lock);
        if (m_closed)
            return;
        dropped = m_pending;
        m_pending = gst_sample_ref(sample);
        m_pendingTime = captureTime;
        post = !m_posted;
        m_posted = true;
    }
    if (dropped)
        gst_sample_unref(dropped);
    if (post)
        m_queue.post([self = shared_from_this()] { self->drain(); });
}

void LatestFrameRelay::close()
{
    GstSample *dropped = nullptr;
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
        dropped = m_pending;
        m_pending = nullptr;
    }
    if (dropped)
        gst_sample_unref(dropped);
}

void LatestFrameRelay::drain()
{
    GstSample *sample = nullptr;
    double time = 0;
    {
        std::lock_guard lock(m_lock);
        sample = m_pending;
        time = m_pendingTime;
        m_pending = nullptr;
        m_posted = false;
        if (m_closed && sample) {
            gst_sample_unref(sample);
            sample = nullptr;
        }
    }
    if (!sample)
        return;
    const VideoFrame frame = VideoFrame::fromSample(sample, time);
    gst_sample_unref(sample);
    if (!frame.isNull() && m_handler)
        m_handler(frame);
}

} // namespace tandrel
