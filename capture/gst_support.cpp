#include "capture/gst_support.h"

#include <cmath>
#include <mutex>

namespace tandrel {

void ensureGstInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

GstClock *sharedCaptureClock()
{
    ensureGstInitialized();
    static GstClock *clock = gst_system_clock_obtain(); // kept for the process's life
    return clock;
}

double captureTimeOf(GstSample *sample, GstClockTime baseTime)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer)) // untimed: the moment it arrives
        return double(gst_clock_get_time(sharedCaptureClock())) / double(GST_SECOND);
    GstClockTime running = GST_BUFFER_PTS(buffer);
    if (const GstSegment *segment = gst_sample_get_segment(sample);
        segment && segment->format == GST_FORMAT_TIME) {
        const GstClockTime r = gst_segment_to_running_time(segment, GST_FORMAT_TIME, running);
        if (GST_CLOCK_TIME_IS_VALID(r))
            running = r;
    }
    return double(running + baseTime) / double(GST_SECOND);
}

} // namespace tandrel
