#include "capture/capture_controller.h"

#include "capture/capture_session.h"
#include "capture/device_catalogue.h"
#include "capture/gst_support.h"
#include "capture/output_stage.h"
#include "capture/screen_cast_portal.h"
#include "platform/display_list.h"
#include "platform/settings_store.h"

#include <QScreen>

#include <QTimer>

namespace tandrel {

namespace {
// The display a portal stream shows: the one at its place with its size, else
// the first of its size; none when nothing matches.
std::optional<quint32> displayOfStream(const QPoint &position, const QSize &size)
{
    DisplayList *list = DisplayList::instance();
    std::optional<quint32> sameSize;
    for (const DisplayInfo &display : list->displays()) {
        QScreen *screen = list->screen(display.number);
        const double ratio = screen ? screen->devicePixelRatio() : 1.0;
        const QSize pixels(qRound(display.geometry.width() * ratio),
                           qRound(display.geometry.height() * ratio));
        if (pixels != size)
            continue;
        if (display.geometry.topLeft() * ratio == position)
            return display.number;
        if (!sameSize)
            sameSize = display.number;
    }
    return sameSize;
}
} // namespace

CaptureController::CaptureController(SettingsStore &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    ensureGstInitialized();
    createOutputStage();
    createSession();
    createRecorder();

    // Stored flips are loaded before writing back is allowed, so loading them
    // never writes a key that was absent.
    if (const auto stored = m_settings.read(settings::flipHorizontal))
        setFlipHorizontal(*stored);
    if (const auto stored = m_settings.read(settings::flipVertical))
        setFlipVertical(*stored);
    m_flipsReady = true;
    m_recorder->setFlip({m_flipHorizontal, m_flipVertical});

    m_devices = std::make_unique<DeviceCatalogue>();
    m_devices->onDisplays = [this](const QList<ScreenTarget> &displays) { m_session->setDisplays(displays); };
    if (ScreenCastPortal::isWaylandSession()) {
        m_portal = std::make_unique<ScreenCastPortal>();
        connect(m_portal.get(), &ScreenCastPortal::granted, this, &CaptureController::applyPortalGrant);
        connect(m_portal.get(), &ScreenCastPortal::refused, this, &CaptureController::handlePortalRefused);
        connect(m_portal.get(), &ScreenCastPortal::sessionClosed, this,
                &CaptureController::handlePortalClosed);
    }
    connectParts();
}

void CaptureController::createOutputStage()
{
    OutputStage::Handlers output;
    output.videoFrame = [this](const VideoFrame &frame) { m_recorder->recordVideoFrame(frame); };
    output.audioBuffer = [this](const AudioBuffer &buffer) { m_recorder->recordAudioBuffer(buffer); };
    output.videoSourceChanged = [this] { m_recorder->forgetPicture(); };
    output.previewFrame = [this](const QImage &image) { emit previewFrame(image); };
    output.cameraAspect = [this](double aspect) {
        if (!m_usesScreenPreview)
            setPreviewAspect(aspect);
    };
    output.screenAspect = [this](double aspect) {
        if (m_usesScreenPreview)
            setPreviewAspect(aspect);
    };
    m_output = std::make_unique<OutputStage>(this, std::move(output));
}

void CaptureController::createSession()
{
    CaptureSession::Handlers session;
    session.configured = [this](const CaptureSession::Inputs &inputs) {
        setVideoDeviceInput(inputs.videoInput);
        setAudioDeviceInput(inputs.audioInput);
        if (inputs.size.height() >= 1) {
            setPreviewAspect(double(inputs.size.width()) / inputs.size.height());
            setUsesScreenPreview(false);
        }
        setIsRunning(inputs.running);
        if (!isRecording()) {
            setStatus(inputs.hasVideo           ? CaptureStatus::live
                              : inputs.hasAudio ? CaptureStatus::audioOnly
                                                : CaptureStatus::noSource);
        }
    };
    session.noScreen = [this] { setUsesScreenPreview(false); };
    session.screenFailedToStart = [this](const SourceFailure &failure) {
        setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenNotStarted, .source = failure});
        setUsesScreenPreview(false);
        setStatus(CaptureStatus::noVideoPicture);
    };
    session.screenStarted = [this](double width, double height) {
        if (height > 0)
            setPreviewAspect(width / height);
        setUsesScreenPreview(true);
        if (!isRecording())
            setStatus(CaptureStatus::live);
    };
    session.screenInterrupted = [this](const SourceFailure &failure) {
        // A shared monitor's stream that ended has lost its producer: the
        // desktop ended the share, and only a new one brings the screen back.
        if (failure.kind == SourceFailure::Kind::noData && m_portal && m_portal->hasSession()) {
            m_portal->closeSession();
            handlePortalClosed();
            return;
        }
        setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenInterrupted, .source = failure});
        setStatus(CaptureStatus::screenInterrupted);
    };
    session.deviceFailed = [this](CaptureSession::Device device, const SourceFailure &failure) {
        handleDeviceFailure(device, failure);
    };
    session.microphoneMoved
            = [this](const QString &from, const QString &to) { handleMicrophoneMoved(from, to); };
    session.capturingTake = [this] { return m_recorder->isCapturing(); };
    m_session = std::make_unique<CaptureSession>(*m_output, this, std::move(session));
}

void CaptureController::createRecorder()
{
    TakeRecorder::Display display;
    display.status = [this](CaptureStatus status) { setStatus(status); };
    display.lastError = [this](const CaptureNotice &notice) { setLastError(notice); };
    display.videoSourceSelected = [this] { return selectedVideoSourceID().has_value(); };
    m_recorder = std::make_unique<TakeRecorder>(m_session->queue(), m_output->queue(), std::move(display));
}

CaptureController::~CaptureController()
{
    // Samples still arriving are dropped from here on, and queued
    // reconfigurations give up at once.
    m_output->beginShutdown();
    m_session->beginShutdown();
    m_portal.reset();
    m_devices.reset();
    // Runs what the session queue still holds (a take's stop among it), then
    // stops the pipelines and the screen stream.
    m_session.reset();
    m_output.reset();
    // Waits for the files of a take that is still being finished.
    m_recorder.reset();
}

void CaptureController::connectParts()
{
    connect(m_devices.get(), &DeviceCatalogue::videoSourcesChanged, this,
            &CaptureController::videoSourcesChanged);
    connect(m_devices.get(), &DeviceCatalogue::microphonesChanged, this,
            &CaptureController::microphonesChanged);
    connect(m_devices.get(), &DeviceCatalogue::selectedVideoSourceIDChanged, this,
            &CaptureController::selectedVideoSourceIDChanged);
    connect(m_devices.get(), &DeviceCatalogue::selectedMicrophoneIDChanged, this,
            &CaptureController::selectedMicrophoneIDChanged);
    connect(m_devices.get(), &DeviceCatalogue::devicesChanged, this,
            &CaptureController::handleDevicesChanged);
    connect(m_recorder.get(), &TakeRecorder::isRecordingChanged, this,
            &CaptureController::isRecordingChanged);
    connect(m_recorder.get(), &TakeRecorder::recordedDurationChanged, this,
            &CaptureController::recordedDurationChanged);
}

// ---- devices and selection ------------------------------------------------

QList<CaptureDevice> CaptureController::cameras() const
{
    return m_devices->cameras();
}

QList<AudioDevice> CaptureController::microphones() const
{
    QList<AudioDevice> result;
    for (const CaptureDevice &d : m_devices->microphones())
        result.append({d.uniqueID, d.localizedName});
    return result;
}

QList<VideoSource> CaptureController::screenSources() const
{
    return m_devices->screenSources();
}

QList<VideoSource> CaptureController::videoSources() const
{
    return m_devices->videoSources();
}

std::optional<QString> CaptureController::selectedVideoSourceID() const
{
    return m_devices->selectedVideoSourceID();
}

std::optional<QString> CaptureController::selectedMicrophoneID() const
{
    return m_devices->selectedMicrophoneID();
}

bool CaptureController::readyForHotplug() const
{
    return m_devices->readyForHotplug();
}

QString CaptureController::screenName(quint32 displayNumber) const
{
    return m_devices->screenName(displayNumber);
}

void CaptureController::activate()
{
    if (!m_devices->beginActivation())
        return;
    // Linux asks no permission for cameras and microphones: access counts as
    // granted, so neither access text is ever set here.
    QTimer::singleShot(400, this, [this] {
        m_devices->refreshDevices();
        const QUuid token = QUuid::createUuid();
        m_session->setReconfigureToken(token);
        reconfigure(selectedVideoSourceID(), selectedMicrophoneID(), token, [this] {
            refreshScreens();
            m_devices->setReadyForHotplug();
            emit activated();
        });
    });
}

void CaptureController::selectVideoSource(const std::optional<QString> &id)
{
    if (id == screenRequestID) {
        // Picking the placeholder only asks for the screens; it selects nothing itself.
        if (m_portal)
            requestPortalMonitor(true);
        else if (m_devices->selectFirstScreen())
            scheduleReconfigure();
        else
            reportScreenAccessMissing();
        return;
    }
    m_devices->setSelectedVideoSourceID(id);
    scheduleReconfigure();
}

void CaptureController::setSelectedMicrophoneID(const std::optional<QString> &id)
{
    m_devices->setSelectedMicrophoneID(id);
}

void CaptureController::scheduleReconfigure()
{
    const QUuid token = QUuid::createUuid();
    m_session->setReconfigureToken(token);
    reconfigure(selectedVideoSourceID(), selectedMicrophoneID(), token);
}

void CaptureController::refreshScreens()
{
    // A monitor shared before is asked for again with its token, which needs
    // no dialog; without a token the placeholder stays until the user picks it.
    if (m_portal && !m_portal->hasSession() && m_settings.read(settings::screenRestoreToken))
        requestPortalMonitor(false);
    m_devices->refreshScreens();
}

void CaptureController::reportScreenAccessMissing()
{
    setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenAccessMissing});
    m_devices->dropScreenRequest();
}

void CaptureController::requestPortalMonitor(bool fromUser)
{
    m_portalRequestFromUser = fromUser;
    m_portal->requestMonitor(m_settings.read(settings::screenRestoreToken).value_or(QString()));
}

// The shared monitor becomes the one screen source; the session streams it
// from the PipeWire remote the portal opened.
void CaptureController::applyPortalGrant(const PortalGrant &grant)
{
    if (!grant.restoreToken.isEmpty())
        m_settings.write(settings::screenRestoreToken, grant.restoreToken);
    const quint32 number = displayOfStream(grant.position, grant.size).value_or(0);
    const QString id = QStringLiteral("screen:") + QString::number(number);
    m_session->setDisplays({{number, QString(), QRect(QPoint(), grant.size), grant.remote}});
    const bool select = m_portalRequestFromUser;
    m_portalRequestFromUser = false;
    m_devices->applyScreenSources({{id, screenName(number), VideoSource::Kind::screen}}, select);
    if (select)
        scheduleReconfigure();
}

void CaptureController::handlePortalRefused()
{
    // A token refused at start-up is silent: the placeholder stays.
    if (std::exchange(m_portalRequestFromUser, false))
        reportScreenAccessMissing();
}

// The user or the desktop ended the sharing. The placeholder returns, so
// the screen can be asked for again.
void CaptureController::handlePortalClosed()
{
    const bool screenSelected = selectedVideoSourceID() && screenDisplayID(*selectedVideoSourceID());
    if (screenSelected) {
        setLastError(CaptureNotice{.kind = CaptureNotice::Kind::screenShareEnded});
        setStatus(CaptureStatus::screenInterrupted);
    }
    m_session->setDisplays({});
    m_devices->applyScreenSources({}, false);
    if (screenSelected && !isRecording())
        scheduleReconfigure();
}

// While a take runs, device changes only refresh the lists, unless a device
// of the session has gone: that ends the take.
void CaptureController::handleDevicesChanged()
{
    const auto gone = [](const std::optional<QString> &input, const QList<CaptureDevice> &present) {
        return input && std::none_of(present.begin(), present.end(), [&](const CaptureDevice &d) {
                   return d.uniqueID == *input;
               });
    };
    if (gone(m_videoDeviceInput, m_devices->cameras())) {
        handleDeviceFailure(CaptureSession::Device::camera, {SourceFailure::Kind::gone});
        return;
    }
    if (gone(m_audioDeviceInput, m_devices->microphones())) {
        handleDeviceFailure(CaptureSession::Device::microphone, {SourceFailure::Kind::gone});
        return;
    }
    if (isRecording())
        return;
    m_devices->refreshScreens();
    scheduleReconfigure();
}

// A camera or microphone of the session failed or went away: the status and
// lastError say so, a running take ends with what it holds, and the session
// is rebuilt from the devices that are left, as after a hot-plug.
void CaptureController::handleDeviceFailure(CaptureSession::Device device, const SourceFailure &failure)
{
    const bool camera = device == CaptureSession::Device::camera;
    CaptureNotice reason{.kind = CaptureNotice::Kind::aborted,
                         .device = camera ? CaptureNotice::Device::camera : CaptureNotice::Device::microphone,
                         .source = failure};
    setStatus(camera ? CaptureStatus::cameraInterrupted : CaptureStatus::microphoneInterrupted);
    if (m_recorder->isCapturing()) {
        m_recorder->abortRecording(reason); // lastError follows when the take is finished
    } else {
        reason.kind = CaptureNotice::Kind::deviceFailed;
        setLastError(reason);
    }
    // Queued behind the stop, so the session is rebuilt once the take's gate has closed.
    m_devices->refreshDevices();
    m_devices->refreshScreens();
    scheduleReconfigure();
}

// The sound server moved the microphone's stream: a take goes on with the
// sound of the other source, and the user learns where it comes from now.
// A move because the source went away is left to the device change that
// follows, which ends a take as any vanished device does.
void CaptureController::handleMicrophoneMoved(const QString &from, const QString &to)
{
    const QList<CaptureDevice> microphones = m_devices->microphones();
    const auto nameOf = [&](const QString &id) -> std::optional<QString> {
        for (const CaptureDevice &m : microphones) {
            if (m.uniqueID == id)
                return m.localizedName;
        }
        return std::nullopt;
    };
    // Back on the chosen source, or the source has gone: nothing to tell here.
    const std::optional<QString> fromName = nameOf(from);
    if (!fromName || from == to)
        return;
    setLastError(CaptureNotice{
            .kind = CaptureNotice::Kind::soundMoved, .from = *fromName, .to = nameOf(to).value_or(to)});
}

// ---- session --------------------------------------------------------------

void CaptureController::reconfigure(const std::optional<QString> &videoID,
                                    const std::optional<QString> &micID, const QUuid &token,
                                    std::function<void()> done)
{
    m_session->reconfigure({videoID, micID, m_devices->cameras(), m_devices->microphones()}, token,
                           std::move(done));
}

void CaptureController::setAudioTap(AudioTap tap)
{
    m_output->setAudioTap(std::move(tap));
}

void CaptureController::setLastError(const std::optional<CaptureNotice> &notice)
{
    if (m_lastError != notice) {
        m_lastError = notice;
        emit lastErrorChanged();
    }
}

void CaptureController::setStatus(CaptureStatus status)
{
    if (m_status != status) {
        m_status = status;
        emit statusChanged();
    }
}

void CaptureController::setIsRunning(bool value)
{
    if (m_isRunning != value) {
        m_isRunning = value;
        emit isRunningChanged();
    }
}

void CaptureController::setUsesScreenPreview(bool value)
{
    m_output->setScreenPreviewActive(value);
    if (m_usesScreenPreview != value) {
        m_usesScreenPreview = value;
        emit usesScreenPreviewChanged();
    }
}

void CaptureController::setPreviewAspect(double value)
{
    if (m_previewAspect != value) {
        m_previewAspect = value;
        emit previewAspectChanged();
    }
}

void CaptureController::setVideoDeviceInput(const std::optional<QString> &id)
{
    if (m_videoDeviceInput != id) {
        m_videoDeviceInput = id;
        emit videoDeviceInputChanged();
    }
}

void CaptureController::setAudioDeviceInput(const std::optional<QString> &id)
{
    if (m_audioDeviceInput != id) {
        m_audioDeviceInput = id;
        emit audioDeviceInputChanged();
    }
}

void CaptureController::setCropOffset(double value)
{
    // Not clamped: the crop overlay keeps it within 0...1.
    if (m_cropOffset != value) {
        m_cropOffset = value;
        emit cropOffsetChanged();
    }
    m_recorder->setCropOffset(value);
}

void CaptureController::setFlipHorizontal(bool value)
{
    if (m_flipHorizontal != value) {
        m_flipHorizontal = value;
        emit flipHorizontalChanged();
    }
    storeFlips();
}

void CaptureController::setFlipVertical(bool value)
{
    if (m_flipVertical != value) {
        m_flipVertical = value;
        emit flipVerticalChanged();
    }
    storeFlips();
}

// The capture threads get both flips at once; the stored settings follow
// once the stored ones have been loaded.
void CaptureController::storeFlips()
{
    m_recorder->setFlip({m_flipHorizontal, m_flipVertical});
    if (m_flipsReady) {
        m_settings.write(settings::flipHorizontal, m_flipHorizontal);
        m_settings.write(settings::flipVertical, m_flipVertical);
    }
}

// ---- recording ------------------------------------------------------------

bool CaptureController::isRecording() const
{
    return m_recorder->isRecording();
}

double CaptureController::recordedDuration() const
{
    return m_recorder->recordedDuration();
}

void CaptureController::startRecording(const QString &directory, TakeCompletion completion)
{
    m_recorder->startRecording(directory, selectedVideoSourceID(), selectedMicrophoneID(),
                               std::move(completion));
}

void CaptureController::stopRecording()
{
    m_recorder->stopRecording();
}

} // namespace tandrel
