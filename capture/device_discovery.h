#pragma once

#include "capture/capture_device.h"

#include <QList>
#include <functional>
#include <mutex>

typedef struct _GstDeviceMonitor GstDeviceMonitor;

namespace tandrel {

// Cameras and microphones as GStreamer's device monitor sees them, with
// identifiers that survive re-plugging: a V4L2 camera's /dev/v4l/by-id (or
// by-path) link, a PulseAudio source's internal name. Monitor sources (what a
// sink plays) are not microphones and are left out. A capture card whose own
// sound source is listed carries audio (CaptureCardAudio decides). With
// TANDREL_TEST_CAMERA=1 a videotestsrc camera "Testkamera" is listed after the
// real ones.
class DeviceDiscovery
{
public:
    DeviceDiscovery();
    ~DeviceDiscovery();
    DeviceDiscovery(const DeviceDiscovery &) = delete;
    DeviceDiscovery &operator=(const DeviceDiscovery &) = delete;

    // Starts watching. The initial probe is synchronous, so the lists are
    // complete when this returns.
    void start();
    void stop();

    QList<CaptureDevice> cameras() const;
    QList<CaptureDevice> microphones() const;

    // Called on a GStreamer thread whenever a device arrives, leaves or changes.
    void setChangeHandler(std::function<void()> handler);

    static CaptureDevice testCamera();

private:
    void notifyChange();

    GstDeviceMonitor *m_monitor = nullptr;
    bool m_started = false;
    mutable std::mutex m_handlerLock;
    std::function<void()> m_onChange;
};

} // namespace tandrel
