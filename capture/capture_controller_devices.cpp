#include "capture/capture_controller.h"

#include "capture/device_discovery.h"
#include "capture/screen_capture_source.h"
#include "platform/display_list.h"
#include "platform/main_thread.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace tandrel {

void CaptureController::activate()
{
    if (m_didRequestAccess)
        return;
    m_didRequestAccess = true;
    // Linux asks no permission for cameras and microphones: access counts as
    // granted, so neither access text is ever set here.
    QTimer::singleShot(400, this, [this] {
        refreshDevices();
        const QUuid token = QUuid::createUuid();
        setReconfigureToken(token);
        reconfigure(m_selectedVideoSourceID, m_selectedMicrophoneID, token, [this] {
            refreshScreens();
            m_readyForHotplug = true;
            emit activated();
        });
    });
}

void CaptureController::selectVideoSource(const std::optional<QString> &id)
{
    if (id == screenRequestID) {
        // Picking the placeholder only asks for the screens; it selects nothing itself.
        const auto screens = availableScreens();
        if (screens)
            applyScreenSources(screens.value(), true);
        else
            reportScreenAccessMissing();
        return;
    }
    setSelectedVideoSourceID(id);
    scheduleReconfigure();
}

void CaptureController::setSelectedVideoSourceID(const std::optional<QString> &id)
{
    if (m_selectedVideoSourceID != id) {
        m_selectedVideoSourceID = id;
        emit selectedVideoSourceIDChanged();
    }
}

void CaptureController::setSelectedMicrophoneID(const std::optional<QString> &id)
{
    if (m_selectedMicrophoneID != id) {
        m_selectedMicrophoneID = id;
        emit selectedMicrophoneIDChanged();
    }
}

void CaptureController::scheduleReconfigure()
{
    const QUuid token = QUuid::createUuid();
    setReconfigureToken(token);
    reconfigure(m_selectedVideoSourceID, m_selectedMicrophoneID, token);
}

void CaptureController::refreshDevices()
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

void CaptureController::refreshVideoSources()
{
    QList<VideoSource> sources;
    for (const CaptureDevice &camera : std::as_const(m_cameras))
        sources.append({camera.uniqueID, camera.localizedName, VideoSource::Kind::camera});
    if (m_screenSources.isEmpty())
        sources.append(
                {screenRequestID, QStringLiteral("Bildschirm (Freigabe…)"), VideoSource::Kind::screen});
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
    if (!m_selectedVideoSourceID || *m_selectedVideoSourceID == screenRequestID)
        return;
    const bool known = std::any_of(m_videoSources.begin(), m_videoSources.end(),
                                   [&](const VideoSource &s) { return s.id == *m_selectedVideoSourceID; });
    if (!known)
        setSelectedVideoSourceID(preferred);
}

void CaptureController::applyScreenSources(const QList<VideoSource> &sources, bool selectFirst)
{
    m_screenSources = sources;
    refreshVideoSources();
    if (selectFirst) {
        setSelectedVideoSourceID(sources.isEmpty() ? std::nullopt : std::optional(sources.first().id));
        scheduleReconfigure();
    }
}

void CaptureController::reportScreenAccessMissing()
{
    setLastError(
            QStringLiteral("Bildschirmfreigabe fehlt. Unter Systemeinstellungen → Datenschutz & Sicherheit → "
                           "Bildschirmaufnahme für Tandrel erlauben."));
    if (m_selectedVideoSourceID == screenRequestID)
        setSelectedVideoSourceID(std::nullopt);
}

bool CaptureController::screenCaptureGranted() const
{
    // X11 lets every client read the screen; other platforms need a portal
    // that is not supported yet, so there the screens stay unavailable.
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QString CaptureController::screenName(quint32 displayNumber) const
{
    if (QScreen *screen = DisplayList::instance()->screen(displayNumber))
        return screen->name();
    return QStringLiteral("Display ") + QString::number(displayNumber);
}

Result<QList<VideoSource>> CaptureController::availableScreens()
{
    if (!screenCaptureGranted())
        return Result<QList<VideoSource>>::failure(
                QStringLiteral("Bildschirmaufnahme ist hier nicht verfügbar."));
    QList<VideoSource> sources;
    QList<ScreenTarget> targets;
    DisplayList *list = DisplayList::instance();
    for (const DisplayInfo &display : list->displays()) {
        sources.append({QStringLiteral("screen:") + QString::number(display.number),
                        QStringLiteral("Bildschirm: ") + screenName(display.number),
                        VideoSource::Kind::screen});
        QScreen *screen = list->screen(display.number);
        const double ratio = screen ? screen->devicePixelRatio() : 1.0;
        const QRect g = display.geometry;
        const QRect pixels(qRound(g.x() * ratio), qRound(g.y() * ratio), qRound(g.width() * ratio),
                           qRound(g.height() * ratio));
        targets.append({display.number, display.x11Display, pixels});
    }
    m_screenCapture->setDisplays(targets);
    return sources;
}

void CaptureController::refreshScreens()
{
    if (screenCaptureGranted()) {
        const auto screens = availableScreens();
        if (screens)
            m_screenSources = screens.value();
    }
    refreshVideoSources();
}

void CaptureController::installDeviceObservers()
{
    // Device messages come on GStreamer's threads; a burst of them (a sink
    // and its monitor appearing together) is handled once on the main thread.
    m_discovery->setChangeHandler([this] {
        if (!m_deviceChangePending.exchange(true))
            runOnMain(this, [this] { handleDeviceChange(); });
    });
    m_deviceObservers.append(connect(DisplayList::instance(), &DisplayList::displaysChanged, this,
                                     &CaptureController::handleDeviceChange));
}

void CaptureController::handleDeviceChange()
{
    m_deviceChangePending = false;
    if (m_shuttingDown)
        return;
    refreshDevices();
    if (m_readyForHotplug && !m_isRecording) {
        refreshScreens();
        scheduleReconfigure();
    }
}

} // namespace tandrel
