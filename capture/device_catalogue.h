#pragma once

#include "capture/capture_device.h"
#include "capture/screen_capture_source.h"
#include "capture/video_source.h"
#include "platform/result.h"

#include <QList>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tandrel {

class DeviceDiscovery;

// The cameras, microphones and screens that can be recorded, the list the
// video picker shows and the selection in it. Main thread only: device
// messages from GStreamer's threads are brought here before any field changes.
// Discovery starts at construction, so the lists are filled from the outset.
class DeviceCatalogue : public QObject
{
    Q_OBJECT

public:
    explicit DeviceCatalogue(QObject *parent = nullptr);
    ~DeviceCatalogue() override;

    QList<CaptureDevice> cameras() const { return m_cameras; }
    QList<CaptureDevice> microphones() const { return m_microphones; }
    QList<VideoSource> screenSources() const { return m_screenSources; }
    QList<VideoSource> videoSources() const { return m_videoSources; }
    std::optional<QString> selectedVideoSourceID() const { return m_selectedVideoSourceID; }
    std::optional<QString> selectedMicrophoneID() const { return m_selectedMicrophoneID; }
    bool readyForHotplug() const { return m_readyForHotplug; }

    // Marks the start-up as begun; false when it already was.
    bool beginActivation();
    // Start-up is complete: from now on device changes are announced.
    void setReadyForHotplug() { m_readyForHotplug = true; }

    void setSelectedVideoSourceID(const std::optional<QString> &id);
    void setSelectedMicrophoneID(const std::optional<QString> &id);

    // Asks discovery again; the selections are repaired, never reset.
    void refreshDevices();
    // Loads the screens when screen capture is available without asking, and
    // rebuilds the source list.
    void refreshScreens();
    // The user picked the screen placeholder: loads the screens and selects
    // the first one (none when no display is connected). False when screens
    // cannot be recorded here; nothing has changed then.
    bool selectFirstScreen();
    // Drops a selection of the screen placeholder after screens were refused.
    void dropScreenRequest();
    // Screens that came from elsewhere (the desktop portal's grant): stored,
    // the source list rebuilt, and with `selectFirst` the first one selected.
    void applyScreenSources(const QList<VideoSource> &sources, bool selectFirst);

    QString screenName(quint32 displayNumber) const;

    // The displays the screen stream may open, each time the screens are
    // loaded. Set once before the first load.
    std::function<void(const QList<ScreenTarget> &)> onDisplays;

signals:
    void videoSourcesChanged();
    void microphonesChanged();
    void selectedVideoSourceIDChanged();
    void selectedMicrophoneIDChanged();
    // A device or display came or went after start-up; the lists are
    // already refreshed when this is emitted.
    void devicesChanged();

private:
    void refreshVideoSources();
    void installDeviceObservers();
    void handleDeviceChange();
    bool screenCaptureGranted() const;
    // The screens as video sources; none where no screen can be captured.
    std::optional<QList<VideoSource>> availableScreens();

    QList<CaptureDevice> m_cameras;
    QList<CaptureDevice> m_microphones;
    QList<VideoSource> m_screenSources;
    QList<VideoSource> m_videoSources;
    std::optional<QString> m_selectedVideoSourceID;
    std::optional<QString> m_selectedMicrophoneID;
    bool m_videoSourceInitialized = false;
    bool m_accessRequested = false;
    bool m_readyForHotplug = false;
    std::unique_ptr<DeviceDiscovery> m_discovery;
    // Set by GStreamer's threads; a burst of messages is handled once.
    std::atomic<bool> m_deviceChangePending{false};
};

} // namespace tandrel
