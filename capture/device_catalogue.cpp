#include "capture/device_catalogue.h"

#include "capture/device_discovery.h"
#include "capture/screen_cast_portal.h"
#include "platform/display_list.h"
#include "platform/display_name.h"
#include "platform/main_thread.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace tandrel {

DeviceCatalogue::DeviceCatalogue(QObject *parent)
    : QObject(parent), m_discovery(std::make_unique<DeviceDiscovery>())
{
    m_discovery->start();
    refreshDevices();
    installDeviceObservers();
}

DeviceCatalogue::~DeviceCatalogue()
{
    m_discovery->setChangeHandler({});
    m_discovery->stop();
}

bool DeviceCatalogue::beginActivation()
{
    if (m_accessRequested)
        return false;
    m_accessRequested = true;
    return true;
}

void DeviceCatalogue::setSelectedVideoSourceID(const std::optional<QString> &id)
{
    if (m_selectedVideoSourceID != id) {
        m_selectedVideoSourceID = id;
        emit selectedVideoSourceIDChanged();
    }
}

void DeviceCatalogue::setSelectedMicrophoneID(const std::optional<QString> &id)
{
    if (m_selectedMicrophoneID != id) {
        m_selectedMicrophoneID = id;
        emit selectedMicrophoneIDChanged();
    }
}

void DeviceCatalogue::refreshDevices()
{
    const QList<CaptureDevice> cameras = m_discovery->cameras();
    const QList<CaptureDevice> microphones = m_discovery->microphones();
    m_cameras = cameras;
    if (m_microphones != microphones) {
        m_microphones = microphones;
        emit microphonesChanged();
    }
    refreshVideoSources();
    const bool stillThere = m_selectedMicrophoneID
            && std::any_of(m_microphones.begin(), m_microphones.end(),
                           [&](const CaptureDevice &d) { return d.uniqueID == *m_selectedMicrophoneID; });
    if (!stillThere)
        setSelectedMicrophoneID(m_microphones.isEmpty() ? std::nullopt
                                                        : std::optional(m_microphones.first().uniqueID));
}

void DeviceCatalogue::refreshVideoSources()
{
    QList<VideoSource> sources;
    for (const CaptureDevice &camera : std::as_const(m_cameras))
        sources.append({camera.uniqueID, camera.localizedName, VideoSource::Kind::camera});
    if (m_screenSources.isEmpty())
        sources.append({screenRequestID, QString(), VideoSource::Kind::screen});
    else
        sources.append(m_screenSources);
    if (m_videoSources != sources) {
        m_videoSources = sources;
        emit videoSourcesChanged();
    }

    const auto best = preferredCamera(m_cameras);
    const std::optional<QString> preferred = best ? std::optional(best->uniqueID) : std::nullopt;
    if (!m_videoSourceInitialized) {
        setSelectedVideoSourceID(preferred);
        m_videoSourceInitialized = true;
        return;
    }
    if (!givesPictures(m_selectedVideoSourceID))
        return;
    const bool known = std::any_of(m_videoSources.begin(), m_videoSources.end(),
                                   [&](const VideoSource &s) { return s.id == *m_selectedVideoSourceID; });
    if (!known)
        setSelectedVideoSourceID(preferred);
}

bool DeviceCatalogue::selectFirstScreen()
{
    const auto screens = availableScreens();
    if (!screens)
        return false;
    applyScreenSources(screens.value(), true);
    return true;
}

void DeviceCatalogue::applyScreenSources(const QList<VideoSource> &sources, bool selectFirst)
{
    m_screenSources = sources;
    refreshVideoSources();
    if (selectFirst)
        setSelectedVideoSourceID(sources.isEmpty() ? std::nullopt : std::optional(sources.first().id));
}

void DeviceCatalogue::dropScreenRequest()
{
    if (m_selectedVideoSourceID == screenRequestID)
        setSelectedVideoSourceID(std::nullopt);
}

bool DeviceCatalogue::screenCaptureGranted() const
{
    // X11 lets every client read the screen. On a Wayland desktop an X11
    // grab (even through XWayland) sees nothing of it: there the screens
    // come from the desktop portal instead.
    return QGuiApplication::platformName() == QLatin1String("xcb") && !ScreenCastPortal::isWaylandSession();
}

QString DeviceCatalogue::screenName(quint32 displayNumber) const
{
    const QList<DisplayInfo> displays = DisplayList::instance()->displays();
    for (const DisplayInfo &display : displays)
        if (display.number == displayNumber)
            return displayName(display, displays);
    return QStringLiteral("Display ") + QString::number(displayNumber);
}

std::optional<QList<VideoSource>> DeviceCatalogue::availableScreens()
{
    if (!screenCaptureGranted())
        return std::nullopt;
    QList<VideoSource> sources;
    QList<ScreenTarget> targets;
    DisplayList *list = DisplayList::instance();
    for (const DisplayInfo &display : list->displays()) {
        sources.append({QStringLiteral("screen:") + QString::number(display.number),
                        screenName(display.number), VideoSource::Kind::screen});
        QScreen *screen = list->screen(display.number);
        const double ratio = screen ? screen->devicePixelRatio() : 1.0;
        const QRect g = display.geometry;
        const QRect pixels(qRound(g.x() * ratio), qRound(g.y() * ratio), qRound(g.width() * ratio),
                           qRound(g.height() * ratio));
        targets.append({display.number, display.x11Display, pixels, nullptr});
    }
    if (onDisplays)
        onDisplays(targets);
    return sources;
}

void DeviceCatalogue::refreshScreens()
{
    if (screenCaptureGranted()) {
        const auto screens = availableScreens();
        if (screens)
            m_screenSources = screens.value();
    }
    refreshVideoSources();
}

void DeviceCatalogue::installDeviceObservers()
{
    // Device messages come on GStreamer's threads; a burst of them (a sink
    // and its monitor appearing together) is handled once on the main thread.
    m_discovery->setChangeHandler([this] {
        if (!m_deviceChangePending.exchange(true))
            runOnMain(this, [this] { handleDeviceChange(); });
    });
    connect(DisplayList::instance(), &DisplayList::displaysChanged, this,
            &DeviceCatalogue::handleDeviceChange);
    // A screen that changes its resolution or place (RandR) is cut anew: the
    // stream's rectangle comes from the screen list, which is reloaded here
    // even while a take runs, so that the grab follows the screen.
    const auto watchGeometry = [this](QScreen *screen) {
        connect(screen, &QScreen::geometryChanged, this, [this] {
            if (!m_screenSources.isEmpty())
                refreshScreens();
            handleDeviceChange();
        });
    };
    for (QScreen *screen : QGuiApplication::screens())
        watchGeometry(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, watchGeometry);
}

void DeviceCatalogue::handleDeviceChange()
{
    m_deviceChangePending = false;
    refreshDevices();
    if (m_readyForHotplug)
        emit devicesChanged();
}

} // namespace tandrel
