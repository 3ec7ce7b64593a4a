#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace tandrel {

// Finds the sound of an HDMI capture card among the PulseAudio sources.
//
// On Linux a card's sound does not travel in its video stream: the card is a
// second device class on the same hardware, a USB Audio interface next to the
// USB Video one (or an ALSA card on the same PCI function), which PulseAudio
// or PipeWire lists as a source of its own. Udev and PulseAudio call every
// USB device with video and audio interfaces a "webcam" (device.form_factor),
// so that property cannot tell a grabber from a camera with a microphone.
//
// The rule, on facts only (no file or device is read here):
//  - A video device is a capture card when its controls are known and none of
//    them drives a sensor: no control of V4L2's camera class (exposure, focus,
//    zoom, pan, tilt, iris, privacy ...) or image-source class (analogue gain,
//    blanking), and none of the user-class sensor controls (exposure, gain,
//    white balance, power line frequency, backlight compensation). A grabber
//    has no lens or sensor; MacroSilicon HDMI grabbers offer brightness,
//    contrast, saturation and hue only. Most webcams offer exposure in the camera
//    class, but some simple ones list only user controls, among them gain and
//    white balance, which is why those count too. A device without any
//    control is a card; one whose controls could not be read (no permission)
//    is not, so that the presenter's microphone stays in use.
//  - Its own sound is the first source that is not a monitor and sits on the
//    same physical device: the same USB device (sysfs or bus path without the
//    USB interface, so ".../usb1/1-2/1-2:1.0" and ".../usb1/1-2/1-2:1.2/sound/
//    card1" are both ".../usb1/1-2") or the same PCI function
//    (".../0000:03:00.0/video4linux/video0", ".../0000:03:00.0/sound/card2").
//    Sysfs paths decide when both sides have one; bus paths otherwise.
//  - A camera's microphone is thus taken for a card's sound only when the
//    camera offers no sensor control at all, whatever device.form_factor says.
class CaptureCardAudio
{
public:
    // What V4L2, sysfs and udev tell about one video node.
    struct VideoDevice
    {
        QString node; // /dev/videoN
        QString sysfsPath; // canonical /sys/class/video4linux/videoN/device
        QString driver; // uvcvideo, ...
        QString busPath; // udev ID_PATH, e.g. pci-0000:00:14.0-usb-0:2:1.0
        // The IDs VIDIOC_QUERYCTRL enumerates; none when they could not be read.
        std::optional<QList<quint32>> controlIDs;
        bool operator==(const VideoDevice &) const = default;
    };

    // A PulseAudio source with the properties PulseAudio or pipewire-pulse
    // report for it (sysfs.path, device.bus_path, device.bus-path ...).
    struct SoundSource
    {
        QString id; // the source name, what opens it as a microphone
        bool isMonitor = false;
        QHash<QString, QString> properties;
        bool operator==(const SoundSource &) const = default;
    };

    static bool isCaptureCard(const VideoDevice &video);

    // The identifier of the card's own sound source; none for a camera or a
    // card whose sound is not (yet) listed.
    static std::optional<QString> ownSound(const VideoDevice &video, const QList<SoundSource> &sources);

    // The USB device or PCI function a sysfs path belongs to, without a
    // leading /sys; the path itself when it names neither.
    static QString physicalDevice(const QString &sysfsPath);
    // The same for a udev bus path: the USB interface part dropped.
    static QString physicalBusPath(const QString &busPath);
};

} // namespace tandrel
