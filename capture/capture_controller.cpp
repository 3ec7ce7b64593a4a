#include "capture/capture_controller.h"

#include "capture/capture_pipeline.h"
#include "capture/device_discovery.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "capture/screen_capture_source.h"
#include "platform/user_defaults.h"

namespace tandrel {

namespace {
const QString flipHorizontalKey = QStringLiteral("capture.flipHorizontal");
const QString flipVerticalKey = QStringLiteral("capture.flipVertical");
} // namespace

CaptureController::CaptureController(UserDefaults &defaults, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_statusMessage(QStringLiteral("Bereit")),
      m_reconfigureToken(QUuid::createUuid())
{
    ensureGstInitialized();
    m_sessionQueue = std::make_unique<SerialQueue>("capture.session");
    m_outputQueue = std::make_unique<SerialQueue>("capture.output");
    m_screenCapture = std::make_unique<ScreenCaptureSource>();
    m_discovery = std::make_unique<DeviceDiscovery>();

    // Stored flips are loaded before writing back is allowed, so loading them
    // never writes a key that was absent.
    if (const auto stored = m_defaults.boolValue(flipHorizontalKey))
        setFlipHorizontal(*stored);
    if (const auto stored = m_defaults.boolValue(flipVerticalKey))
        setFlipVertical(*stored);
    m_flipsReady = true;
    m_flipLock.set({m_flipHorizontal, m_flipVertical});

    installScreenCallbacks();
    m_discovery->start();
    refreshDevices();
    installDeviceObservers();
}

CaptureController::~CaptureController()
{
    m_shuttingDown = true;
    for (const auto &c : std::as_const(m_deviceObservers))
        disconnect(c);
    m_discovery->setChangeHandler({});
    m_discovery->stop();
    // Queued reconfigurations see m_shuttingDown and return at once.
    m_sessionQueue.reset();
    stopSessionInputs();
    m_screenCapture->stop();
    m_outputQueue.reset();
}

QList<AudioDevice> CaptureController::microphones() const
{
    QList<AudioDevice> result;
    for (const CaptureDevice &d : m_microphones)
        result.append({d.uniqueID, d.localizedName});
    return result;
}

void CaptureController::setLastError(const std::optional<QString> &text)
{
    if (m_lastError != text) {
        m_lastError = text;
        emit lastErrorChanged();
    }
}

void CaptureController::setStatusMessage(const QString &text)
{
    if (m_statusMessage != text) {
        m_statusMessage = text;
        emit statusMessageChanged();
    }
}

void CaptureController::setIsRecording(bool value)
{
    if (m_isRecording != value) {
        m_isRecording = value;
        emit isRecordingChanged();
    }
}

void CaptureController::setRecordedDuration(double value)
{
    if (m_recordedDuration != value) {
        m_recordedDuration = value;
        emit recordedDurationChanged();
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
    m_screenPreviewActive = value;
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
    m_cropOffsetLocked.set(value);
}

void CaptureController::setFlipHorizontal(bool value)
{
    if (m_flipHorizontal != value) {
        m_flipHorizontal = value;
        emit flipHorizontalChanged();
    }
    m_flipLock.set({m_flipHorizontal, m_flipVertical});
    if (m_flipsReady) {
        m_defaults.setValue(flipHorizontalKey, m_flipHorizontal);
        m_defaults.setValue(flipVerticalKey, m_flipVertical);
    }
}

void CaptureController::setFlipVertical(bool value)
{
    if (m_flipVertical != value) {
        m_flipVertical = value;
        emit flipVerticalChanged();
    }
    m_flipLock.set({m_flipHorizontal, m_flipVertical});
    if (m_flipsReady) {
        m_defaults.setValue(flipHorizontalKey, m_flipHorizontal);
        m_defaults.setValue(flipVerticalKey, m_flipVertical);
    }
}

void CaptureController::setAudioTap(AudioTap tap)
{
    m_audioTapLock.set(std::move(tap));
}

} // namespace tandrel
