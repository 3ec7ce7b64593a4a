#pragma once

#include "capture/capture_notice.h"
#include "capture/video_frame.h"
#include "platform/result.h"
#include "platform/serial_queue.h"

#include <QList>
#include <QRect>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tandrel {

class CapturePipeline;
class LatestFrameRelay;
class StreamSilenceWatch;

// A connection to a PipeWire daemon that the desktop portal opened for one
// shared stream. The descriptor is closed with its last holder; every stream
// start connects through a duplicate of it.
struct PipeWireRemote
{
    int fd = -1;
    quint32 nodeID = 0; // the stream's node on that daemon
    PipeWireRemote() = default;
    PipeWireRemote(const PipeWireRemote &) = delete;
    PipeWireRemote &operator=(const PipeWireRemote &) = delete;
    ~PipeWireRemote();
};

// A display as the screen stream needs it, in device pixels.
struct ScreenTarget
{
    quint32 number = 0;
    QString x11Display; // the X screen to open (":1.1"); empty: the application's display
    QRect pixelRect; // the part of that X screen to grab; for a portal stream its size
    // Set for a monitor shared through the desktop portal: streamed from PipeWire, not grabbed.
    std::shared_ptr<const PipeWireRemote> pipeWire;
    bool operator==(const ScreenTarget &) const = default;
};

// Streams the picture of one display as BGRA frames, at most 30 frames per
// second, no cursor: on X11 ximagesrc cut to the display, on Wayland the
// PipeWire stream the desktop portal granted (pipewiresrc). The callbacks are set
// once before the first start and read without a lock.
class ScreenCaptureSource
{
public:
    ScreenCaptureSource();
    ~ScreenCaptureSource();

    // Every frame, on the queue given to start.
    std::function<void(const VideoFrame &)> onFrame;
    // The running stream stopped by itself, or a PipeWire stream fell silent
    // (noData); on a GStreamer thread.
    std::function<void(const SourceFailure &failure)> onError;
    // A stream has started, with the display's size in pixels; on the thread that called start.
    std::function<void(double width, double height)> onStarted;
    // The running stream's pictures changed their size (a shared monitor's
    // resolution) in a way only a new start follows; on a GStreamer thread.
    // The owner then calls follow.
    std::function<void()> onResized;

    // The displays that can be streamed (from the main thread, which knows the screens).
    void setDisplays(const QList<ScreenTarget> &displays);

    // Stops any running stream, then streams display `number`. Fails with
    // "Bildschirm nicht gefunden." for a display that is not connected.
    BasicStatus<SourceFailure> start(quint32 number, SerialQueue &queue);
    // Never fails; does nothing without a stream.
    void stop();
    bool isStreaming() const;
    // Starts the running stream anew when its display has since changed its
    // size or place (RandR), so that the grab covers the display as it is now,
    // or when the stream reported onResized. Does nothing without a stream or
    // when the display is gone: its removal reconfigures the session.
    BasicStatus<SourceFailure> follow(SerialQueue &queue);

private:
    std::optional<ScreenTarget> display(quint32 number) const;

    mutable std::mutex m_lock; // guards m_displays
    QList<ScreenTarget> m_displays;
    // Touched only by start, stop and follow, one at a time.
    std::shared_ptr<CapturePipeline> m_stream;
    std::shared_ptr<LatestFrameRelay> m_relay;
    std::optional<ScreenTarget> m_target; // what the running stream shows
    std::shared_ptr<StreamSilenceWatch> m_silence; // for a PipeWire stream
    std::atomic<bool> m_resized{false}; // set on a GStreamer thread, read by follow
};

} // namespace tandrel
