#include "capture/device_discovery.h"

#include "capture/gst_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gst/gst.h>

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

CaptureDevice cameraFrom(GstDevice *device)
{
    CaptureDevice result;
    GstStructure *props = gst_device_get_properties(device);
    QString node = structureString(props, "device.path");
    if (node.isEmpty())
        node = structureString(props, "api.v4l2.path");
    const QString name = gstString(gst_device_get_display_name(device));
    if (!node.isEmpty())
        result.uniqueID = stableVideoPath(node);
    else if (const QString nodeName = structureString(props, "node.name"); !nodeName.isEmpty())
        result.uniqueID = nodeName;
    else
        result.uniqueID = name;
    result.localizedName = name;
    result.type = !node.isEmpty() && isBuiltInVideoNode(node, name) ? CaptureDevice::Type::builtInCamera
                                                                    : CaptureDevice::Type::externalCamera;
    if (props)
        gst_structure_free(props);
    result.device = gstShared(GST_DEVICE(gst_object_ref(device)));
    return result;
}

// None for a monitor source, which only repeats what a sink plays.
std::optional<CaptureDevice> microphoneFrom(GstDevice *device)
{
    GstStructure *props = gst_device_get_properties(device);
    const bool monitor = structureString(props, "device.class") == QLatin1String("monitor");
    QString id = stringProperty(device, "internal-name");
    if (id.isEmpty())
        id = structureString(props, "node.name");
    if (props)
        gst_structure_free(props);
    if (monitor)
        return std::nullopt;
    CaptureDevice result;
    result.localizedName = gstString(gst_device_get_display_name(device));
    result.uniqueID = id.isEmpty() ? result.localizedName : id;
    result.type = CaptureDevice::Type::microphone;
    result.device = gstShared(GST_DEVICE(gst_object_ref(device)));
    return result;
}

QList<CaptureDevice> listDevices(GstDeviceMonitor *monitor, const char *deviceClass)
{
    QList<CaptureDevice> result;
    if (!monitor)
        return result;
    GList *devices = gst_device_monitor_get_devices(monitor);
    for (GList *l = devices; l; l = l->next) {
        GstDevice *device = GST_DEVICE(l->data);
        if (!gst_device_has_classes(device, deviceClass))
            continue;
        std::optional<CaptureDevice> entry = qstrcmp(deviceClass, "Video/Source") == 0
                ? std::optional<CaptureDevice>(cameraFrom(device))
                : microphoneFrom(device);
        if (!entry)
            continue;
        const bool seen = std::any_of(result.begin(), result.end(),
                                      [&](const CaptureDevice &d) { return d.uniqueID == entry->uniqueID; });
        if (!seen)
            result.append(*entry);
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
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

QList<CaptureDevice> DeviceDiscovery::cameras() const
{
    QList<CaptureDevice> result = listDevices(m_started ? m_monitor : nullptr, "Video/Source");
    if (qEnvironmentVariable("TANDREL_TEST_CAMERA") == QLatin1String("1"))
        result.append(testCamera());
    return result;
}

QList<CaptureDevice> DeviceDiscovery::microphones() const
{
    return listDevices(m_started ? m_monitor : nullptr, "Audio/Source");
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
