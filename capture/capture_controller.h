#pragma once

// CaptureController: cameras, microphones and screens, the running capture
// session and its previews. One object for the application's life, created on
// the main thread; its observable fields change on the main thread only.
//
// Files by concern:
//   capture_controller.cpp          construction, properties, flips, crop offset
//   capture_controller_devices.cpp  discovery, selection, hot-plug, screens
//   capture_controller_session.cpp  reconfiguration and the session's pipelines
//   capture_controller_output.cpp   the output queue: frames, previews, audio tap
//   capture_controller_recording.cpp         start and stop of takes, finishing
//   capture_controller_recording_output.cpp  the output queue's part of a take
//
// Where recording plugs in:
//   - Every video frame (camera or screen, 32-bit BGRA, capture time in
//     seconds) reaches `recordVideoFrame(const VideoFrame &)`, and every
//     microphone buffer reaches `recordAudioBuffer(const AudioBuffer &)`,
//     both on `outputQueue`, after the preview and the audio tap have had
//     theirs. VideoFrame::time and AudioBuffer::time are on the same clock.
//   - `m_recordingActive` is the gate the session honours: while it is true a
//     reconfiguration leaves the pipelines alone (the screen stream still
//     restarts). Recording sets it on `sessionQueue`.
//   - `setIsRecording`, `setRecordedDuration`, `setStatusMessage` and
//     `setLastError` notify on change; call them on the main thread.
//   - Its own fields go into the marked block at the end of the class.

#include "media/audio_tap.h"
#include "capture/capture_device.h"
#include "capture/locked_value.h"
#include "capture/video_frame.h"
#include "capture/video_source.h"
#include "library/take.h"
#include "platform/result.h"
#include "platform/serial_queue.h"
#include "media/speech_activity_tracker.h"

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

typedef struct _GstSample GstSample;
class QTimer;

namespace tandrel {

class AudioFileWriter;
class CapturePipeline;
class DeviceDiscovery;
class LatestFrameRelay;
class PortraitRenderer;
class ScreenCaptureSource;
class UserDefaults;
class VideoFileWriter;

class CaptureController : public QObject, public AudioTapHost
{
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(double recordedDuration READ recordedDuration NOTIFY recordedDurationChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool usesScreenPreview READ usesScreenPreview NOTIFY usesScreenPreviewChanged)
    Q_PROPERTY(double previewAspect READ previewAspect NOTIFY previewAspectChanged)
    Q_PROPERTY(double cropOffset READ cropOffset WRITE setCropOffset NOTIFY cropOffsetChanged)
    Q_PROPERTY(bool flipHorizontal READ flipHorizontal WRITE setFlipHorizontal NOTIFY flipHorizontalChanged)
    Q_PROPERTY(bool flipVertical READ flipVertical WRITE setFlipVertical NOTIFY flipVerticalChanged)

public:
    explicit CaptureController(UserDefaults &defaults, QObject *parent = nullptr);
    ~CaptureController() override;

    // ---- devices and selection --------------------------------------------
    QList<CaptureDevice> cameras() const { return m_cameras; }
    QList<AudioDevice> microphones() const;
    QList<VideoSource> screenSources() const { return m_screenSources; }
    QList<VideoSource> videoSources() const { return m_videoSources; }
    std::optional<QString> selectedVideoSourceID() const { return m_selectedVideoSourceID; }
    std::optional<QString> selectedMicrophoneID() const override { return m_selectedMicrophoneID; }
    bool videoSourceInitialized() const { return m_videoSourceInitialized; }
    bool didRequestAccess() const { return m_didRequestAccess; }
    bool readyForHotplug() const { return m_readyForHotplug; }

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
    QString statusMessage() const { return m_statusMessage; }
    std::optional<QString> lastError() const { return m_lastError; }
    void setLastError(const std::optional<QString> &text);
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

    // ---- recording-owned fields, readable by every view ---------------------
    bool isRecording() const { return m_isRecording; }
    double recordedDuration() const { return m_recordedDuration; }

    SerialQueue &sessionQueue() { return *m_sessionQueue; }
    SerialQueue &outputQueue() { return *m_outputQueue; }

signals:
    void videoSourcesChanged();
    void microphonesChanged();
    void selectedVideoSourceIDChanged();
    void selectedMicrophoneIDChanged();
    void lastErrorChanged();
    void isRunningChanged();
    void isRecordingChanged();
    void recordedDurationChanged();
    void statusMessageChanged();
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
    // devices (capture_controller_devices.cpp)
    void refreshDevices();
    void refreshVideoSources();
    void applyScreenSources(const QList<VideoSource> &sources, bool selectFirst);
    void reportScreenAccessMissing();
    void installDeviceObservers();
    void handleDeviceChange();
    bool screenCaptureGranted() const;
    Result<QList<VideoSource>> availableScreens();
    void setSelectedVideoSourceID(const std::optional<QString> &id);

    // session (capture_controller_session.cpp)
    struct Selection
    {
        std::optional<QString> videoID;
        std::optional<QString> micID;
        QList<CaptureDevice> cameras; // the lists as they were when the change was asked for
        QList<CaptureDevice> microphones;
    };
    void runReconfigure(const Selection &selection, const QUuid &token);
    void configureSession(const Selection &selection); // on sessionQueue
    void stopSessionInputs(); // on sessionQueue
    bool isCurrentToken(const QUuid &token) const;
    void setReconfigureToken(const QUuid &token);
    void setIsRunning(bool value);
    void setUsesScreenPreview(bool value);
    void setPreviewAspect(double value);
    void setVideoDeviceInput(const std::optional<QString> &id);
    void setAudioDeviceInput(const std::optional<QString> &id);
    void installScreenCallbacks();

    // output queue (capture_controller_output.cpp)
    void handleCameraFrame(const VideoFrame &frame);
    void handleScreenFrame(const VideoFrame &frame);
    void handleAudioSample(GstSample *sample, double captureTime);
    void updateScreenPreview(const VideoFrame &frame);
    void postPreview(const VideoFrame &frame, double minimumInterval);

    // recording hooks, on the output queue (capture_controller_hooks.cpp until recording exists)
    void recordVideoFrame(const VideoFrame &frame);
    void recordAudioBuffer(const AudioBuffer &buffer);

protected:
    void setIsRecording(bool value);
    void setRecordedDuration(double value);
    void setStatusMessage(const QString &text);

private:
    UserDefaults &m_defaults;

    // devices
    QList<CaptureDevice> m_cameras;
    QList<CaptureDevice> m_microphones;
    QList<VideoSource> m_screenSources;
    QList<VideoSource> m_videoSources;
    std::optional<QString> m_selectedVideoSourceID;
    std::optional<QString> m_selectedMicrophoneID;
    bool m_videoSourceInitialized = false;
    bool m_didRequestAccess = false;
    bool m_readyForHotplug = false;
    std::unique_ptr<DeviceDiscovery> m_discovery;
    std::atomic<bool> m_deviceChangePending{false};
    QList<QMetaObject::Connection> m_deviceObservers;

    // observable session state
    bool m_isRunning = false;
    bool m_isRecording = false;
    double m_recordedDuration = 0;
    QString m_statusMessage;
    std::optional<QString> m_lastError;
    bool m_usesScreenPreview = false;
    double m_previewAspect = 16.0 / 9.0;
    double m_cropOffset = 0.5;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
    std::optional<QString> m_videoDeviceInput;
    std::optional<QString> m_audioDeviceInput;
    bool m_flipsReady = false;

    // values the capture threads read
    LockedValue<double> m_cropOffsetLocked{0.5};
    LockedValue<VideoFlip> m_flipLock;
    LockedValue<AudioTap> m_audioTapLock;
    mutable std::mutex m_tokenLock;
    QUuid m_reconfigureToken;
    std::atomic<bool> m_screenSelected{false}; // the session was last configured for a screen
    std::atomic<bool> m_screenPreviewActive{false}; // copy of usesScreenPreview for the output queue
    std::atomic<bool> m_previewPending{false}; // a preview picture waits for the main thread
    std::atomic<bool> m_shuttingDown{false};

    // output queue only
    std::chrono::steady_clock::time_point m_lastPreviewAt{};
    int m_lastCameraWidth = 0;
    int m_lastCameraHeight = 0;

    // session queue only
    std::shared_ptr<CapturePipeline> m_cameraPipeline;
    std::shared_ptr<LatestFrameRelay> m_cameraRelay;
    std::shared_ptr<CapturePipeline> m_microphonePipeline;
    std::unique_ptr<ScreenCaptureSource> m_screenCapture;

    std::unique_ptr<SerialQueue> m_sessionQueue;
    std::unique_ptr<SerialQueue> m_outputQueue;

    // ---- recording state (capture_controller_recording*.cpp) ---------------
public:
    // The outcome of a take: the take, or the German message why there is none.
    using TakeCompletion = std::function<void(const Result<Take> &)>;

    // Starts a take whose two files go into `directory` (created when
    // missing). Returns at once; `completion` runs exactly once on the main
    // thread: soon when the take cannot start, otherwise when it has been
    // stopped and its files are finished.
    void startRecording(const QString &directory, TakeCompletion completion);
    // Stops the running take; nothing happens when none runs.
    void stopRecording();

private:
    // What the stop hands from the session queue to finishTake.
    struct FinishedTake
    {
        std::optional<QString> videoPath, audioPath;
        bool expectedVideo = false;
        qint64 videoFrameCount = 0, audioBufferCount = 0;
        double duration = 0;
        std::optional<QDateTime> recordedAt;
        QList<SpeechInterval> intervals;
        TakeCompletion completion;
    };
    struct SpeechCaptureState
    {
        SpeechActivityTracker tracker;
        bool active = false; // the tracker takes levels only while true
        double lastTime = 0; // the latest take time fed to it
    };

    void startOnSessionQueue(const QString &directory, const std::optional<QString> &videoID,
                             const std::optional<QString> &micID, TakeCompletion completion);
    void stopOnSessionQueue();
    Status prepareWriters(const std::optional<QString> &videoPath, const std::optional<QString> &audioPath);
    static QString freeTakeStamp(const QDir &dir, const QDateTime &now);
    void finishTake(FinishedTake take);
    void closeGateAfterLateSamples();
    bool belongsToTake(double time, std::atomic<bool> &pastStop);
    void startWritingIfNeeded(double time);
    void feedSpeechActivity(const AudioBuffer &buffer, double time);

    // The gate of the capture callbacks: open from the end of a successful
    // start until a stop begins. Released after everything below is in
    // place; acquired by the output queue before it touches any of it.
    std::atomic<bool> m_recordingActive{false};
    // Capture clock seconds when the gate opened: what was captured earlier
    // is not part of the take.
    std::atomic<double> m_takeCaptureStart{0};
    // While a stop waits for samples captured before it (capture clock
    // seconds) that are still on their way.
    std::atomic<bool> m_takingLateSamples{false};
    std::atomic<double> m_lateSamplesBefore{0};
    std::atomic<bool> m_videoPastStop{false};
    std::atomic<bool> m_audioPastStop{false};
    // From a successful start until finishTake: a take is not over while its
    // files are being finished.
    std::atomic<bool> m_takeOpen{false};
    // Set on the session queue before the gate opens, read by the output
    // queue while it is open, cleared by finishTake after it has closed.
    std::shared_ptr<VideoFileWriter> m_videoWriter;
    std::shared_ptr<AudioFileWriter> m_audioWriter;
    std::optional<QString> m_pendingVideoURL;
    std::optional<QString> m_pendingAudioURL;
    bool m_expectedVideo = false;
    bool m_expectedAudio = false;
    std::atomic<qint64> m_videoFrameCount{0};
    std::atomic<qint64> m_audioBufferCount{0};
    TakeCompletion m_finishHandler;
    std::optional<QDateTime> m_recordingStart;
    std::chrono::steady_clock::time_point m_recordingStartClock;
    // output queue while the gate is open
    std::optional<double> m_sessionStartTime;
    std::shared_ptr<PortraitRenderer> m_renderer;
    // speech tracking of the take; the tracker runs under this lock alone
    std::mutex m_speechLock;
    SpeechCaptureState m_speech;
    // main thread
    QTimer *m_durationTimer = nullptr;
};

} // namespace tandrel
