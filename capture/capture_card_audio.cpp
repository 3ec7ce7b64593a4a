#include "capture/capture_card_audio.h"

#include <QRegularExpression>
#include <QStringList>

#include <linux/videodev2.h>

namespace tandrel {

namespace {

// The first of the spellings PulseAudio and PipeWire use for one property.
QString property(const CaptureCardAudio::SoundSource &source, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const QString value = source.properties.value(QLatin1String(key));
        if (!value.isEmpty())
            return value;
    }
    return {};
}

bool isUsbDevice(const QString &segment)
{
    // 1-2, 3-4.1.2: bus, then the port chain; interfaces (1-2:1.0) and
    // roots (usb1) do not match.
    static const QRegularExpression usbDevice(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    return usbDevice.match(segment).hasMatch();
}

bool isPciFunction(const QString &segment)
{
    static const QRegularExpression pciFunction(
            QStringLiteral("^[0-9a-fA-F]{4}:[0-9a-fA-F]{2}:[0-9a-fA-F]{2}\\.[0-7]$"));
    return pciFunction.match(segment).hasMatch();
}

} // namespace

bool CaptureCardAudio::isCaptureCard(const VideoDevice &video)
{
    if (!video.controlIDs)
        return false;
    // User-class controls that only make sense for a sensor: how long and how
    // strongly it is exposed, its white balance, the mains flicker it sees.
    static const quint32 sensorControls[] = {
            V4L2_CID_AUTO_WHITE_BALANCE,
            V4L2_CID_DO_WHITE_BALANCE,
            V4L2_CID_RED_BALANCE,
            V4L2_CID_BLUE_BALANCE,
            V4L2_CID_EXPOSURE,
            V4L2_CID_AUTOGAIN,
            V4L2_CID_GAIN,
            V4L2_CID_POWER_LINE_FREQUENCY,
            V4L2_CID_WHITE_BALANCE_TEMPERATURE,
            V4L2_CID_BACKLIGHT_COMPENSATION,
    };
    return std::none_of(video.controlIDs->begin(), video.controlIDs->end(), [](quint32 id) {
        const quint32 controlClass = V4L2_CTRL_ID2CLASS(id);
        // A class's own entry (V4L2_CID_CAMERA_CLASS ...) is a heading, not a control.
        if ((id & 0xffff) == 1)
            return false;
        return controlClass == V4L2_CTRL_CLASS_CAMERA || controlClass == V4L2_CTRL_CLASS_IMAGE_SOURCE
                || std::find(std::begin(sensorControls), std::end(sensorControls), id)
                != std::end(sensorControls);
    });
}

QString CaptureCardAudio::physicalDevice(const QString &sysfsPath)
{
    QString path = sysfsPath;
    if (path.startsWith(QLatin1String("/sys/")))
        path.remove(0, 4);
    const QStringList segments = path.split(QLatin1Char('/'));
    // USB first: a USB device hangs below its host controller's PCI function,
    // which every other device on that controller shares.
    for (const auto &matches : {isUsbDevice, isPciFunction}) {
        for (qsizetype i = segments.size() - 1; i >= 0; --i) {
            if (matches(segments[i]))
                return segments.first(i + 1).join(QLatin1Char('/'));
        }
    }
    for (const char *classFolder : {"/sound/", "/video4linux/"}) {
        const qsizetype at = path.indexOf(QLatin1String(classFolder));
        if (at > 0)
            return path.left(at);
    }
    return path;
}

QString CaptureCardAudio::physicalBusPath(const QString &busPath)
{
    // pci-0000:00:14.0-usb-0:2:1.0: controller, "usb-0:" port chain, then the
    // configuration and interface. Newer udev also writes usbv2 or usbv3.
    static const QRegularExpression usbInterface(
            QStringLiteral("^(.*-)usb(?:v\\d+)?(-\\d+:[\\d.]+):\\d+\\.\\d+$"));
    const QRegularExpressionMatch m = usbInterface.match(busPath);
    if (m.hasMatch())
        return m.captured(1) + QStringLiteral("usb") + m.captured(2);
    return busPath;
}

std::optional<QString> CaptureCardAudio::ownSound(const VideoDevice &video, const QList<SoundSource> &sources)
{
    if (!isCaptureCard(video))
        return std::nullopt;
    const QString videoDevice = video.sysfsPath.isEmpty() ? QString() : physicalDevice(video.sysfsPath);
    const QString videoBus = video.busPath.isEmpty() ? QString() : physicalBusPath(video.busPath);
    for (const SoundSource &source : sources) {
        if (source.isMonitor)
            continue;
        const QString sysfs = property(source, {"sysfs.path", "device.sysfs.path"});
        const QString bus = property(source, {"device.bus_path", "device.bus-path"});
        bool same = false;
        if (!videoDevice.isEmpty() && !sysfs.isEmpty())
            same = physicalDevice(sysfs) == videoDevice;
        else if (!videoBus.isEmpty() && !bus.isEmpty())
            same = physicalBusPath(bus) == videoBus;
        if (same)
            return source.id;
    }
    return std::nullopt;
}

} // namespace tandrel
