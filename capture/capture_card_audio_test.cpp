#include "capture/capture_card_audio.h"

#include <gtest/gtest.h>

using namespace tandrel;
using Video = CaptureCardAudio::VideoDevice;
using Source = CaptureCardAudio::SoundSource;

namespace {

// Control IDs of real devices as `v4l2-ctl --all` or `--list-ctrls` prints them.
// MacroSilicon MS2109 HDMI grabbers (534d:2109, "USB Video" and "USB3. 0 capture"):
const QList<quint32> ms2109Controls = {0x00980900, 0x00980901, 0x00980902, 0x00980903};
// Logitech C920 webcam (with microphone), Logitech LED controls included:
const QList<quint32> c920Controls
        = {0x00980900, 0x00980901, 0x00980902, 0x0098090c, 0x00980913, 0x0a046d05, 0x0a046d06, 0x009a0901,
           0x009a0902, 0x009a0903, 0x009a0908, 0x009a0909, 0x009a090a, 0x009a090c, 0x009a090d};
// Elgato Facecam:
const QList<quint32> facecamControls = {0x00980900, 0x00980901, 0x00980902, 0x0098091b, 0x0098090c,
                                        0x0098091a, 0x00980918, 0x009a0901, 0x009a0902, 0x009a090d};
// A small USB camera for 3D printers that lists user controls only:
const QList<quint32> userOnlyWebcamControls
        = {0x00980900, 0x00980901, 0x00980902, 0x00980903, 0x0098090c, 0x00980910, 0x00980913};

Video grabber(const QString &sysfsPath, const QString &busPath = {})
{
    return {QStringLiteral("/dev/video0"), sysfsPath, QStringLiteral("uvcvideo"), busPath, ms2109Controls};
}

Source source(const char *id, QHash<QString, QString> properties, bool monitor = false)
{
    return {QString::fromLatin1(id), monitor, std::move(properties)};
}

// Source properties as `pactl list` prints them for the source or its card,
// whose properties its sources repeat (PulseAudio; the last one pipewire-pulse).
// Where the listing did not show the source's name, the id is a label.
const Source lifeCamMicrophone
        = source("alsa_input.usb-Microsoft_Microsoft_LifeCam_VX-5000-02.analog-mono",
                 {{"device.bus_path", "pci-0000:00:1a.0-usb-0:1.2:1.2"},
                  {"sysfs.path", "/devices/pci0000:00/0000:00:1a.0/usb1/1-1/1-1.2/1-1.2:1.2/sound/card1"},
                  {"device.vendor.id", "045e"},
                  {"device.product.id", "0728"},
                  {"device.serial", "Microsoft_Microsoft_LifeCam_VX-5000"},
                  {"device.form_factor", "webcam"}});
const Source c920Microphone
        = source("C920 microphone",
                 {{"device.bus_path", "pci-0000:00:14.0-usb-0:10:1.2"},
                  {"sysfs.path", "/devices/pci0000:00/0000:00:14.0/usb1/1-10/1-10:1.2/sound/card2"},
                  {"device.vendor.id", "046d"},
                  {"device.product.id", "082d"},
                  {"device.serial", "046d_HD_Pro_Webcam_C920_0F9C44AF"},
                  {"device.form_factor", "webcam"}});
const Source laptopMicrophone = source("built-in microphone",
                                       {{"device.bus_path", "pci-0000:00:1f.3"},
                                        {"sysfs.path", "/devices/pci0000:00/0000:00:1f.3/sound/card0"},
                                        {"device.form_factor", "internal"}});
const Source pipeWireWebcamMicrophone
        = source("BKX webcam microphone",
                 {{"api.alsa.card", "1"},
                  {"device.bus_path", "pci-0000:00:14.0-usb-0:4:1.2"},
                  {"sysfs.path", "/sys/devices/pci0000:00/0000:00:14.0/usb3/3-4/3-4:1.2/sound/card1"},
                  {"device.vendor.id", "0xb349"},
                  {"device.product.id", "0xb182"},
                  {"device.form_factor", "webcam"}});

} // namespace

TEST(CaptureCardAudio, OnlyADeviceWithoutSensorControlsIsACard)
{
    const struct
    {
        const char *device;
        std::optional<QList<quint32>> controls;
        bool card;
    } cases[] = {
            {"MS2109 grabber", ms2109Controls, true},
            // An EasyCap (UTV007) analog grabber, for which `--list-ctrls` printed nothing.
            {"grabber without controls", QList<quint32>(), true},
            {"C920", c920Controls, false},
            {"Facecam", facecamControls, false},
            {"webcam with user controls only", userOnlyWebcamControls, false},
            {"controls not readable", std::nullopt, false},
    };
    for (const auto &c : cases) {
        const Video video{QStringLiteral("/dev/video0"), {}, QStringLiteral("uvcvideo"), {}, c.controls};
        EXPECT_EQ(CaptureCardAudio::isCaptureCard(video), c.card) << c.device;
    }
}

// Paths as sysfs, udev and PulseAudio print them: a USB device keeps its port
// chain (behind a hub too) and drops the interface; sound on a PCI card keeps
// the function; PipeWire writes sysfs paths with /sys in front.
TEST(CaptureCardAudio, PathsLeadToTheUsbDeviceOrPciFunction)
{
    const auto sysfs = &CaptureCardAudio::physicalDevice, bus = &CaptureCardAudio::physicalBusPath;
    const struct
    {
        QString (*rule)(const QString &);
        const char *path, *device;
    } cases[] = {
            {sysfs, "/devices/pci0000:00/0000:00:14.0/usb1/1-10/1-10:1.2/sound/card2",
             "/devices/pci0000:00/0000:00:14.0/usb1/1-10"},
            {sysfs, "/devices/pci0000:00/0000:00:04.0/0000:02:00.0/usb8/8-4/8-4.1/8-4.1:1.2/sound/card1",
             "/devices/pci0000:00/0000:00:04.0/0000:02:00.0/usb8/8-4/8-4.1"},
            {sysfs, "/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/video4linux/video0",
             "/devices/pci0000:00/0000:00:14.0/usb2/2-1"},
            {sysfs, "/sys/devices/pci0000:00/0000:00:14.0/usb3/3-4/3-4:1.2/sound/card1",
             "/devices/pci0000:00/0000:00:14.0/usb3/3-4"},
            {sysfs, "/devices/pci0000:00/0000:00:1f.3/sound/card0", "/devices/pci0000:00/0000:00:1f.3"},
            {sysfs, "/devices/pci0000:00/0000:00:01.0/0000:01:00.1/sound/card1",
             "/devices/pci0000:00/0000:00:01.0/0000:01:00.1"},
            {sysfs, "/devices/platform/soc/fe00b840.mailbox/bcm2835_audio/sound/card0",
             "/devices/platform/soc/fe00b840.mailbox/bcm2835_audio"},
            {bus, "pci-0000:00:14.0-usb-0:10:1.2", "pci-0000:00:14.0-usb-0:10"},
            {bus, "pci-0000:02:00.0-usb-0:4.1:1.2", "pci-0000:02:00.0-usb-0:4.1"},
            {bus, "pci-0000:00:14.0-usb-0:1:1.0", "pci-0000:00:14.0-usb-0:1"},
            {bus, "pci-0000:00:1f.3", "pci-0000:00:1f.3"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.rule(QString::fromLatin1(c.path)), QString::fromLatin1(c.device)) << c.path;
}

TEST(CaptureCardAudio, OwnSoundIsTheSourceOnTheSameDeviceThatIsNoMonitor)
{
    // One webcam's nodes as sysfs lists them below its USB port: video on
    // interface 1.2, sound on interface 1.0. The first rows give that video
    // node a grabber's controls.
    const QString videoNode = QStringLiteral("1-10/1-10:1.2/video4linux/video0");
    const Source sameDevice
            = source("sound of the same device", {{"sysfs.path", "1-10/1-10:1.0/sound/card3"}});
    Source sameDeviceMonitor = sameDevice;
    sameDeviceMonitor.isMonitor = true;
    Video webcam = grabber(videoNode);
    webcam.controlIDs = c920Controls;
    // A video receiver as `udevadm info` prints it, given a grabber's controls.
    const Video receiver = grabber(QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0"),
                                   QStringLiteral("pci-0000:00:14.0-usb-0:1:1.0"));
    const Video receiverByBus = grabber({}, QStringLiteral("pci-0000:00:14.0-usb-0:1:1.0"));
    const Source c920ByBus
            = source("C920 microphone", {{"device.bus_path", "pci-0000:00:14.0-usb-0:10:1.2"}});
    const QList<Source> others
            = {lifeCamMicrophone, c920Microphone, laptopMicrophone, pipeWireWebcamMicrophone};

    const struct
    {
        const char *situation;
        Video video;
        QList<Source> sources;
        std::optional<QString> sound;
    } cases[] = {
            {"grabber and its sound", grabber(videoNode), others + QList{sameDevice}, sameDevice.id},
            {"only a monitor on the device", grabber(videoNode), others + QList{sameDeviceMonitor},
             std::nullopt},
            {"webcam and its microphone", webcam, others + QList{sameDevice}, std::nullopt},
            {"grabber beside webcams and the laptop's microphone", receiver, others, std::nullopt},
            {"port 1 is not port 10", receiverByBus, {c920ByBus}, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CaptureCardAudio::ownSound(c.video, c.sources), c.sound) << c.situation;
}
