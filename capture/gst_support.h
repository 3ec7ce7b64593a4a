#pragma once

#include <QString>
#include <gst/gst.h>
#include <memory>

namespace tandrel {

// gst_init once per process; safe from any thread.
void ensureGstInitialized();

// Takes ownership of a g_malloc'ed string.
inline QString gstString(gchar *value)
{
    QString result = value ? QString::fromUtf8(value) : QString();
    g_free(value);
    return result;
}

// Shares one reference of a GstObject; the last owner drops it.
template<typename T> std::shared_ptr<T> gstShared(T *object)
{
    return std::shared_ptr<T>(object, [](T *o) {
        if (o)
            gst_object_unref(o);
    });
}

// The monotonic clock every capture pipeline runs on, so that video frames and
// microphone buffers carry times that can be compared.
GstClock *sharedCaptureClock();

// Capture time in seconds on the shared clock of a sample's buffer; a buffer
// without a time gets the clock's present time.
double captureTimeOf(GstSample *sample, GstClockTime baseTime);

} // namespace tandrel
