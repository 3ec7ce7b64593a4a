#pragma once

#include "capture/locked_value.h"
#include "capture/video_frame.h"
#include "media/audio_tap.h"
#include "platform/serial_queue.h"

#include <QImage>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

typedef struct _GstSample GstSample;
class QObject;

namespace tandrel {

// The output queue and what runs on it: every camera frame, screen frame and
// microphone buffer of the session arrives here, one at a time. A frame
// feeds the preview (throttled, never queued behind the main thread) before
// it goes on to recording; a buffer goes to the audio tap first.
class OutputStage
{
public:
    struct Handlers
    {
        // On the output queue, after the preview or the tap has had its turn.
        std::function<void(const VideoFrame &)> videoFrame;
        std::function<void(const AudioBuffer &)> audioBuffer;
        // On the main thread, while the context given at construction lives.
        std::function<void(const QImage &)> previewFrame;
        // The size a camera actually negotiated differs from the last one.
        std::function<void(double aspect)> cameraAspect;
        // The screen frames' size differs from the last one (the first frame
        // after setScreenSelected always reports).
        std::function<void(double aspect)> screenAspect;
        // On the output queue, before any frame of a new configuration.
        std::function<void()> videoSourceChanged;
    };

    OutputStage(QObject *context, Handlers handlers);
    ~OutputStage();
    OutputStage(const OutputStage &) = delete;
    OutputStage &operator=(const OutputStage &) = delete;

    SerialQueue &queue() { return *m_queue; }

    // Output queue.
    void handleCameraFrame(const VideoFrame &frame);
    void handleScreenFrame(const VideoFrame &frame);
    void handleAudioSample(GstSample *sample, double captureTime);

    // Any thread. The next camera frame reports its size again.
    void forgetCameraSize();
    // Any thread. Called for every microphone buffer, recording or not.
    void setAudioTap(AudioTap tap) { m_audioTapCell.set(std::move(tap)); }
    // Any thread: whether screen frames feed the preview, because the views
    // show the screen or the session was last configured for one.
    void setScreenPreviewActive(bool value) { m_screenPreviewActive = value; }
    // Also makes the next screen frame report its size; called for every
    // configuration of the session.
    void setScreenSelected(bool value);
    // From now on frames and buffers are dropped on arrival.
    void beginShutdown() { m_shuttingDown = true; }

private:
    void updateScreenPreview(const VideoFrame &frame);
    void postPreview(const VideoFrame &frame, double minimumInterval);

    QObject *m_context;
    const Handlers m_handlers;
    LockedValue<AudioTap> m_audioTapCell;
    std::atomic<bool> m_screenPreviewActive{false};
    std::atomic<bool> m_screenSelected{false};
    std::atomic<bool> m_previewPending{false}; // a preview picture waits for the main thread
    std::atomic<bool> m_shuttingDown{false};

    // output queue only
    std::chrono::steady_clock::time_point m_lastPreviewAt{};
    // The picture size each stream last had, so a change is told once.
    struct FrameSize
    {
        int width = 0, height = 0;
        // The new aspect when `frame` differs in size from the last one.
        std::optional<double> changedAspect(const VideoFrame &frame);
    };
    FrameSize m_cameraSize;
    FrameSize m_screenSize;

    // Last, so that it is drained and joined before anything above goes.
    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace tandrel
