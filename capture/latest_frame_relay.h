#pragma once

#include "capture/video_frame.h"
#include "platform/serial_queue.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

typedef struct _GstSample GstSample;

namespace tandrel {

// Hands video samples from a streaming thread to a serial queue, keeping only
// the newest one waiting: when the queue falls behind, older pictures are
// dropped instead of piling up. Mapping happens on the queue.
class LatestFrameRelay : public std::enable_shared_from_this<LatestFrameRelay>
{
public:
    using Handler = std::function<void(const VideoFrame &)>;

    static std::shared_ptr<LatestFrameRelay> create(SerialQueue &queue, Handler handler);

    // Any thread.
    void push(GstSample *sample, double captureTime);
    // After this returns no further frame reaches the handler, except one that
    // is being handled right now on the queue.
    void close();

private:
    LatestFrameRelay(SerialQueue &queue, Handler handler);
    void drain();

    SerialQueue &m_queue;
    Handler m_handler;
    std::mutex m_lock; // guards the fields below
    GstSample *m_pending = nullptr;
    double m_pendingTime = 0;
    bool m_posted = false;
    bool m_closed = false;
};

} // namespace tandrel
