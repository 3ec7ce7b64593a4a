#pragma once

#include "capture/capture_device.h"
#include "capture/locked_value.h"
#include "capture/screen_capture_source.h"
#include "platform/serial_queue.h"

#include <QList>
#include <QSize>
#include <QUuid>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace tandrel {

class CapturePipeline;
class LatestFrameRelay;
class OutputStage;

// The running capture: the camera and microphone pipelines and the screen
// stream, rebuilt on the session queue for every selection. Their samples go
// to the output stage's queue. Only the session queue touches the pipelines;
// the reconfiguration token is the one value the main thread writes.
class CaptureSession
{
public:
    // A selection with the device lists as they were when it was made.
    struct Selection
    {
        std::optional<QString> videoID;
        std::optional<QString> micID;
        QList<CaptureDevice> cameras;
        QList<CaptureDevice> microphones;
    };
    // What a configuration of the pipelines brought up.
    struct Inputs
    {
        std::optional<QString> videoInput; // identifier of the camera in the session
        std::optional<QString> audioInput; // identifier of the microphone in the session
        QSize size; // the camera size asked for; invalid when the camera did not tell
        bool running = false; // at least one pipeline runs
        bool hasVideo = false; // a video source was selected
        bool hasAudio = false; // a microphone was selected
    };
    enum class Device { camera, microphone };
    // All on the main thread, while the context given at construction lives.
    struct Handlers
    {
        std::function<void(const Inputs &)> configured;
        // The selection holds no screen: the camera preview (if any) is shown.
        std::function<void()> noScreen;
        std::function<void(const SourceFailure &failure)> screenFailedToStart;
        std::function<void(double width, double height)> screenStarted;
        std::function<void(const SourceFailure &failure)> screenInterrupted;
        // The running camera or microphone pipeline stopped by itself: the
        // device failed, went away or ended its stream.
        std::function<void(Device device, const SourceFailure &failure)> deviceFailed;
        // The sound server now feeds the microphone pipeline from the source
        // `to` instead of `from`; the sound goes on.
        std::function<void(const QString &from, const QString &to)> microphoneMoved;
        // On the session queue: while a take is captured, the pipelines stay.
        std::function<bool()> capturingTake;
    };

    CaptureSession(OutputStage &output, QObject *context, Handlers handlers);
    ~CaptureSession();
    CaptureSession(const CaptureSession &) = delete;
    CaptureSession &operator=(const CaptureSession &) = delete;

    SerialQueue &queue() { return *m_queue; }

    // Main thread. Marks `token` as the latest requested reconfiguration.
    void setReconfigureToken(const QUuid &token) { m_reconfigureTokenCell.set(token); }
    // Applies `selection` on the session queue unless `token` has been
    // superseded by then; `done` runs on the main thread afterwards.
    void reconfigure(const Selection &selection, const QUuid &token, std::function<void()> done);
    // Main thread. The displays the screen stream may open. A running screen
    // stream whose display has changed is started anew, during a take too.
    void setDisplays(const QList<ScreenTarget> &displays);

    // Queued reconfigurations give up from now on.
    void beginShutdown() { m_shuttingDown = true; }
    // Runs what is queued, then stops every pipeline and the screen stream.
    void shutDown();

private:
    void runReconfigure(const Selection &selection, const QUuid &token); // session queue
    void configureSession(const Selection &selection); // session queue
    void stopInputs(); // session queue
    void installScreenCallbacks();
    void followScreen(); // main thread
    std::function<void(const SourceFailure &)> deviceFailureHandler(Device device);
    bool isCurrentToken(const QUuid &token) const { return m_reconfigureTokenCell.get() == token; }

    OutputStage &m_output;
    QObject *m_context;
    const Handlers m_handlers;
    LockedValue<QUuid> m_reconfigureTokenCell{QUuid::createUuid()};
    std::atomic<bool> m_shuttingDown{false};
    // Counts the sets of pipelines: written on the session queue, read on
    // the main thread to drop failures of pipelines already replaced.
    std::atomic<quint64> m_inputsGeneration{0};

    // session queue only (the screen source's own lock guards its display list)
    std::shared_ptr<CapturePipeline> m_cameraPipeline;
    std::shared_ptr<LatestFrameRelay> m_cameraRelay;
    std::shared_ptr<CapturePipeline> m_microphonePipeline;
    std::unique_ptr<ScreenCaptureSource> m_screenCapture;

    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace tandrel
