#include "capture/device_discovery.h"

#include "capture/capture_card_audio.h"
#include "capture/gst_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gst/gst.h>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tandrel {

namespace {

QString structureString(const GstStructure *s, const char *key)
{
    if (!s)
        return {};
    const gchar *value = gst_structure_get_string(s, key);
    return value ? QString::fromUtf8(value) : QString();
}

QString stringProperty(GstDevice *device, const char *name)
{
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), name))
        return {};
    gchar *value = nullptr;
    g_object_get(device, name, &value, nullptr);
    QString result = value ? QString::fromUtf8(value) : QString();
    g_free(value);
    return result;
}

// The /dev/v4l link that points at `node` and survives re-plugging: by-id
// names the device itself (its first capture interface preferred), by-path
// its port; the bare node when neither exists.
QString stableVideoPath(const QString &node)
{
    const QString target = QFileInfo(node).canonicalFilePath();
    for (const char *folder : {"/dev/v4l/by-id", "/dev/v4l/by-path"}) {
        QString found;
        const QFileInfoList links
                = QDir(QString::fromLatin1(folder)).entryInfoList(QDir::Files | QDir::System);
        for (const QFileInfo &link : links) {
            if (link.canonicalFilePath() != target)
                continue;
            if (found.isEmpty() || link.fileName().endsWith(QLatin1String("index0")))
                found = link.absoluteFilePath();
        }
        if (!found.isEmpty())
            return found;
    }
    return node;
}

// A laptop's own camera hangs on a USB port that the firmware marks as fixed.
bool isBuiltInVideoNode(const QString &node, const QString &name)
{
    for (const char *word : {"Integrated", "Built-in", "Internal", "FaceTime"}) {
        if (name.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    const QString sysDevice
            = QStringLiteral("/sys/class/video4linux/%1/device").arg(QFileInfo(node).fileName());
    const QString interfaceDir = QFileInfo(sysDevice).canonicalFilePath();
    if (interfaceDir.isEmpty())
        return false;
    QFile removable(QFileInfo(interfaceDir).absolutePath() + QStringLiteral("/removable"));
    if (!removable.open(QIODevice::ReadOnly))
        return false;
    return removable.readAll().trimmed() == "fixed";
}

// Every string property of a device, as PulseAudio, PipeWire or udev named it.
QHash<QString, QString> stringProperties(const GstStructure *s)
{
    QHash<QString, QString> result;
    if (!s)
        return result;
    gst_structure_foreach(
            s,
            [](GQuark field, const GValue *value, gpointer data) -> gboolean {
                if (G_VALUE_HOLDS_STRING(value) && g_value_get_string(value))
                    static_cast<QHash<QString, QString> *>(data)->insert(
                            QString::fromUtf8(g_quark_to_string(field)),
                            QString::fromUtf8(g_value_get_string(value)));
                return TRUE;
            },
            &result);
    return result;
}

// The IDs of the controls a V4L2 node offers; none when it cannot be opened.
// The node is opened without blocking and closed at once, so a camera that
// streams elsewhere is not disturbed.
std::optional<QList<quint32>> controlIDs(const QString &node)
{
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QList<quint32> ids;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (::ioctl(fd, VIDIOC_QUERYCTRL, &query) == 0) {
        if (query.type != V4L2_CTRL_TYPE_CTRL_CLASS && !(query.flags & V4L2_CTRL_FLAG_DISABLED))
            ids.append(query.id);
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    ::close(fd);
    return ids;
}

CaptureCardAudio::VideoDevice videoFacts(const QString &node, const GstStructure *props)
{
    CaptureCardAudio::VideoDevice facts;
    facts.node = node;
    facts.sysfsPath
            = QFileInfo(QStringLiteral("/sys/class/video4linux/%1/device").arg(QFileInfo(node).fileName()))
                      .canonicalFilePath();
    if (facts.sysfsPath.isEmpty())
        facts.sysfsPath = structureString(props, "sysfs.path");
    facts.driver = structureString(props, "v4l2.device.driver");
    facts.busPath = structureString(props, "device.bus_path");
    if (!node.isEmpty())
        facts.controlIDs = controlIDs(node);
    return facts;
}

struct Camera
{
    CaptureDevice device;
    CaptureCardAudio::VideoDevice facts;
};

Camera cameraFrom(GstDevice *device)
{
    Camera result;
    GstStructure *props = gst_device_get_properties(device);
    QString node = structureString(props, "device.path");
    if (node.isEmpty())
        node = structureString(props, "api.v4l2.path");
    const QString name = gstString(gst_device_get_display_name(device));
    if (!node.isEmpty())
        result.device.uniqueID = stableVideoPath(node);
    else if (const QString nodeName = structureString(props, "node.name"); !nodeName.isEmpty())
        result.device.uniqueID = nodeName;
    else
        result.device.uniqueID = name;
    result.device.localizedName = name;
    result.device.type = !node.isEmpty() && isBuiltInVideoNode(node, name)
            ? CaptureDevice::Type::builtInCamera
            : CaptureDevice::Type::externalCamera;
    result.facts = videoFacts(node, props);
    if (props)
        gst_structure_free(props);
    result.device.device = gstShared(GST_DEVICE(gst_object_ref(device)));
    return result;
}

// Monitor sources (what a sink plays) are listed too: the matcher is told
// what they are, the microphone list leaves them out.
CaptureCardAudio::SoundSource sourceFrom(GstDevice *device)
{
    CaptureCardAudio::SoundSource source;
    GstStructure *props = gst_device_get_properties(device);
    source.properties = stringProperties(props);
    source.isMonitor = structureString(props, "device.class") == QLatin1String("monitor");
    source.id = stringProperty(device, "internal-name");
    if (source.id.isEmpty())
        source.id = structureString(props, "node.name");
    if (source.id.isEmpty())
        source.id = gstString(gst_device_get_display_name(device));
    if (props)
        gst_structure_free(props);
    // A source that names only its ALSA card is placed through that card's sysfs entry.
    const QString card = source.properties.value(QStringLiteral("alsa.card"),
                                                 source.properties.value(QStringLiteral("api.alsa.card")));
    if (!card.isEmpty() && !source.properties.contains(QStringLiteral("sysfs.path"))) {
        const QString sysfs
                = QFileInfo(QStringLiteral("/sys/class/sound/card%1/device").arg(card)).canonicalFilePath();
        if (!sysfs.isEmpty())
            source.properties.insert(QStringLiteral("sysfs.path"), sysfs);
    }
    return source;
}

CaptureDevice microphoneFrom(GstDevice *device, const CaptureCardAudio::SoundSource &source)
{
    CaptureDevice result;
    result.localizedName = gstString(gst_device_get_display_name(device));
    result.uniqueID = source.id;
    result.type = CaptureDevice::Type::microphone;
    result.device = gstShared(GST_DEVICE(gst_object_ref(device)));
    return result;
}

// One pass over the monitor's devices, each identifier once.
struct Listing
{
    QList<Camera> cameras;
    QList<CaptureDevice> microphones;
    QList<CaptureCardAudio::SoundSource> sources;
};

// `withCameras` false leaves the video nodes alone: the microphones need
// none of their facts, and each camera's controls are read from its node.
Listing listDevices(GstDeviceMonitor *monitor, bool withCameras = true)
{
    Listing result;
    if (!monitor)
        return result;
    const auto seen = [](const QList<CaptureDevice> &list, const QString &id) {
        return std::any_of(list.begin(), list.end(),
                           [&](const CaptureDevice &d) { return d.uniqueID == id; });
    };
    QList<CaptureDevice> cameras;
    GList *devices = gst_device_monitor_get_devices(monitor);
    for (GList *l = devices; l; l = l->next) {
        GstDevice *device = GST_DEVICE(l->data);
        if (gst_device_has_classes(device, "Video/Source")) {
            if (!withCameras)
                continue;
            Camera camera = cameraFrom(device);
            if (!seen(cameras, camera.device.uniqueID)) {
                cameras.append(camera.device);
                result.cameras.append(camera);
            }
        } else if (gst_device_has_classes(device, "Audio/Source")) {
            const CaptureCardAudio::SoundSource source = sourceFrom(device);
            result.sources.append(source);
            if (!source.isMonitor && !seen(result.microphones, source.id))
                result.microphones.append(microphoneFrom(device, source));
        }
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
}

// TANDREL_TEST_CAMERA_BUS_PATH=p: the test camera is a capture card (no
// controls) on bus path p, so a source carrying that device.bus_path is its
// sound. Otherwise its controls are unknown and it stays a camera.
CaptureCardAudio::VideoDevice testCameraFacts()
{
    CaptureCardAudio::VideoDevice facts;
    facts.busPath = qEnvironmentVariable("TANDREL_TEST_CAMERA_BUS_PATH");
    if (!facts.busPath.isEmpty())
        facts.controlIDs = QList<quint32>();
    return facts;
}

} // namespace

DeviceDiscovery::DeviceDiscovery()
{
    ensureGstInitialized();
    // Cameras come from V4L2 and microphones from PulseAudio (which a PipeWire
    // desktop serves too). PipeWire's own provider would list them a second
    // time, and list shared screens as cameras.
    if (GstPluginFeature *pipeWire
        = gst_registry_lookup_feature(gst_registry_get(), "pipewiredeviceprovider")) {
        gst_plugin_feature_set_rank(pipeWire, GST_RANK_NONE);
        gst_object_unref(pipeWire);
    }
    m_monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(m_monitor, "Video/Source", nullptr);
    gst_device_monitor_add_filter(m_monitor, "Audio/Source", nullptr);
}

DeviceDiscovery::~DeviceDiscovery()
{
    stop();
    gst_object_unref(m_monitor);
}

void DeviceDiscovery::start()
{
    if (m_started)
        return;
    GstBus *bus = gst_device_monitor_get_bus(m_monitor);
    // The sync handler runs on the providers' threads; it only forwards.
    gst_bus_set_sync_handler(
            bus,
            [](GstBus *, GstMessage *m, gpointer self) {
                auto *discovery = static_cast<DeviceDiscovery *>(self);
                switch (GST_MESSAGE_TYPE(m)) {
                case GST_MESSAGE_DEVICE_ADDED:
                case GST_MESSAGE_DEVICE_REMOVED:
                case GST_MESSAGE_DEVICE_CHANGED:
                    discovery->notifyChange();
                    break;
                default:
                    break;
                }
                return GST_BUS_DROP;
            },
            this, nullptr);
    gst_object_unref(bus);
    m_started = gst_device_monitor_start(m_monitor);
}

void DeviceDiscovery::stop()
{
    if (!m_started)
        return;
    gst_device_monitor_stop(m_monitor);
    GstBus *bus = gst_device_monitor_get_bus(m_monitor);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    m_started = false;
}

void DeviceDiscovery::notifyChange()
{
    // Called under the lock, so that once setChangeHandler returns the old
    // handler has finished; handlers only post and never block.
    std::lock_guard lock(m_handlerLock);
    if (m_onChange)
        m_onChange();
}

void DeviceDiscovery::setChangeHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_handlerLock);
    m_onChange = std::move(handler);
}

// Cards and their sound sources are matched on every listing, so a card
// plugged in before or after its sound source is found either way.
QList<CaptureDevice> DeviceDiscovery::cameras() const
{
    Listing listing = listDevices(m_started ? m_monitor : nullptr);
    if (qEnvironmentVariable("TANDREL_TEST_CAMERA") == QLatin1String("1"))
        listing.cameras.append({testCamera(), testCameraFacts()});
    QList<CaptureDevice> result;
    for (Camera &camera : listing.cameras) {
        if (const auto sound = CaptureCardAudio::ownSound(camera.facts, listing.sources)) {
            camera.device.carriesAudio = true;
            camera.device.audioSourceID = *sound;
        }
        result.append(camera.device);
    }
    return result;
}

QList<CaptureDevice> DeviceDiscovery::microphones() const
{
    return listDevices(m_started ? m_monitor : nullptr, false).microphones;
}

CaptureDevice DeviceDiscovery::testCamera()
{
    CaptureDevice camera;
    camera.uniqueID = QStringLiteral("test-camera");
    camera.localizedName = QStringLiteral("Testkamera");
    camera.type = CaptureDevice::Type::externalCamera;
    camera.isTestCamera = true;
    return camera;
}

} // namespace tandrel
