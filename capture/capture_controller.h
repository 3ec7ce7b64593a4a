#pragma once

// CaptureController: cameras, microphones and screens, the running capture
// session, its previews and take recording. One object for the application's
// life, created on the main thread; its observable fields change on the main
// thread only.
//
// The work is done by four parts, each owning the fields of one thread:
//   DeviceCatalogue  main thread: discovery, selection, hot-plug, screens
//   CaptureSession   session queue: the pipelines, reconfiguration, its token
//   OutputStage      output queue: frames, previews, the audio tap
//   TakeRecorder     the take: gate, writers, late samples, speech, finishing
// The controller wires them together and keeps the state the views observe.
// Values the capture threads read and the user interface writes (crop offset,
// flips, audio tap, speech tracking, the token) live in LockedValue cells,
// each locked alone.

#include "capture/capture_device.h"
#include "capture/capture_session.h"
#include "capture/capture_status.h"
#include "capture/take_recorder.h"
#include "capture/video_source.h"
#include "library/take.h"
#include "media/audio_tap.h"
#include "platform/result.h"

#include "capture/locked_value.h"
#include "capture/video_frame.h"
#include "platform/serial_queue.h"

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QList>
#include <QObject>
#include <QUuid>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tandrel {

class DeviceCatalogue;
class OutputStage;
class ScreenCastPortal;
class SettingsStore;
struct PortalGrant;

class CaptureController : public QObject, public AudioTapHost
{
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(double recordedDuration READ recordedDuration NOTIFY recordedDurationChanged)
    Q_PROPERTY(bool usesScreenPreview READ usesScreenPreview NOTIFY usesScreenPreviewChanged)
    Q_PROPERTY(double previewAspect READ previewAspect NOTIFY previewAspectChanged)
    Q_PROPERTY(double cropOffset READ cropOffset WRITE setCropOffset NOTIFY cropOffsetChanged)
    Q_PROPERTY(bool flipHorizontal READ flipHorizontal WRITE setFlipHorizontal NOTIFY flipHorizontalChanged)
    Q_PROPERTY(bool flipVertical READ flipVertical WRITE setFlipVertical NOTIFY flipVerticalChanged)

public:
    // The outcome of a take: the take, or the German message why there is none.
    using TakeCompletion = TakeRecorder::TakeCompletion;

    explicit CaptureController(SettingsStore &settings, QObject *parent = nullptr);
    ~CaptureController() override;

    // ---- devices and selection --------------------------------------------
    QList<CaptureDevice> cameras() const;
    QList<AudioDevice> microphones() const;
    QList<VideoSource> screenSources() const;
    QList<VideoSource> videoSources() const;
    std::optional<QString> selectedVideoSourceID() const;
    std::optional<QString> selectedMicrophoneID() const override;
    bool readyForHotplug() const;

    // The start-up sequence: discovery, the first configuration, the screens.
    // Runs once; `activated` is emitted when it has finished.
    void activate();
    // The video picker's choice; none when the user picks no source.
    void selectVideoSource(const std::optional<QString> &id);
    // The microphone picker sets the selection and then schedules a reconfiguration.
    void setSelectedMicrophoneID(const std::optional<QString> &id);
    void scheduleReconfigure();
    // Loads the screens when screen capture is available without asking, and
    // rebuilds the source list; what start-up does after its first configuration.
    void refreshScreens();

    static std::optional<quint32> screenDisplayID(const QString &id) { return tandrel::screenDisplayID(id); }
    QString screenName(quint32 displayNumber) const;

    // ---- session -----------------------------------------------------------
    bool isRunning() const { return m_isRunning; }
    CaptureStatus status() const { return m_status; }
    std::optional<CaptureNotice> lastError() const { return m_lastError; }
    void setLastError(const std::optional<CaptureNotice> &notice);
    bool usesScreenPreview() const { return m_usesScreenPreview; }
    double previewAspect() const { return m_previewAspect; }
    double cropOffset() const { return m_cropOffset; }
    void setCropOffset(double value);
    bool flipHorizontal() const { return m_flipHorizontal; }
    void setFlipHorizontal(bool value);
    bool flipVertical() const { return m_flipVertical; }
    void setFlipVertical(bool value);
    // Identifiers of the camera and microphone currently in the session.
    std::optional<QString> videoDeviceInput() const { return m_videoDeviceInput; }
    std::optional<QString> audioDeviceInput() const { return m_audioDeviceInput; }

    // Applies a selection; superseded when `token` is no longer the current
    // one. `done` runs on the main thread when it has finished or given up.
    void reconfigure(const std::optional<QString> &videoID, const std::optional<QString> &micID,
                     const QUuid &token, std::function<void()> done = {});

    // Called on the output queue for every microphone buffer, recording or not.
    void setAudioTap(AudioTap tap) override;

    // ---- recording ---------------------------------------------------------
    bool isRecording() const;
    double recordedDuration() const;

    // Starts a take of the selected sources whose two files go into
    // `directory` (created when missing). Returns at once; `completion` runs
    // exactly once on the main thread: soon when the take cannot start,
    // otherwise when it has been stopped and its files are finished.
    void startRecording(const QString &directory, TakeCompletion completion);
    // Stops the running take; nothing happens when none runs.
    void stopRecording();

signals:
    void videoSourcesChanged();
    void microphonesChanged();
    void selectedVideoSourceIDChanged();
    void selectedMicrophoneIDChanged();
    void lastErrorChanged();
    void isRunningChanged();
    void isRecordingChanged();
    void recordedDurationChanged();
    void statusChanged();
    void usesScreenPreviewChanged();
    void previewAspectChanged();
    void cropOffsetChanged();
    void flipHorizontalChanged();
    void flipVerticalChanged();
    void videoDeviceInputChanged();
    void audioDeviceInputChanged();
    void activated();
    // The newest picture of the selected source, unmirrored, on the main
    // thread: at most 30 per second from a camera, 24 from a screen.
    void previewFrame(const QImage &image);

private:
    void createOutputStage();
    void createSession();
    void createRecorder();
    void connectParts();
    void handleDevicesChanged();
    void handleMicrophoneMoved(const QString &from, const QString &to);
    void handleDeviceFailure(CaptureSession::Device device, const SourceFailure &failure);
    void requestPortalMonitor(bool fromUser);
    void applyPortalGrant(const PortalGrant &grant);
    void handlePortalRefused();
    void handlePortalClosed();
    void reportScreenAccessMissing();
    void setIsRunning(bool value);
    void setStatus(CaptureStatus status);
    void setUsesScreenPreview(bool value);
    void setPreviewAspect(double value);
    void setVideoDeviceInput(const std::optional<QString> &id);
    void setAudioDeviceInput(const std::optional<QString> &id);
    void storeFlips();

    SettingsStore &m_settings;

    // observable state, main thread
    bool m_isRunning = false;
    CaptureStatus m_status = CaptureStatus::ready;
    std::optional<CaptureNotice> m_lastError;
    bool m_usesScreenPreview = false;
    double m_previewAspect = 16.0 / 9.0;
    double m_cropOffset = 0.5;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
    std::optional<QString> m_videoDeviceInput;
    std::optional<QString> m_audioDeviceInput;
    bool m_flipsReady = false;

    // The destructor takes them down in an order of its own.
    std::unique_ptr<OutputStage> m_output;
    std::unique_ptr<CaptureSession> m_session;
    std::unique_ptr<TakeRecorder> m_recorder;
    std::unique_ptr<DeviceCatalogue> m_devices;
    // Wayland desktops only: the screens come from here.
    std::unique_ptr<ScreenCastPortal> m_portal;
    bool m_portalRequestFromUser = false; // the running request answers a pick of the placeholder
};

} // namespace tandrel
