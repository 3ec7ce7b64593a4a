#include "capture/screen_capture_source.h"

#include "capture/capture_pipeline.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "capture/stream_silence_watch.h"

#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace tandrel {

PipeWireRemote::~PipeWireRemote()
{
    if (fd >= 0)
        ::close(fd);
}

namespace {

constexpr int pipeWireKeepAliveMs = 40;
// A stream that has sent pictures and then none for this long has ended:
// while it lives, its last picture comes again every pipeWireKeepAliveMs.
constexpr std::chrono::milliseconds pipeWireSilenceLimit{5000};

GstElement *x11Source(const ScreenTarget &target)
{
    GstElement *source = gst_element_factory_make("ximagesrc", nullptr);
    if (!source)
        return nullptr;
    const QRect r = target.pixelRect;
    // ximagesrc takes inclusive corner coordinates.
    g_object_set(source, "show-pointer", FALSE, "use-damage", FALSE, "startx", guint(r.left()), "starty",
                 guint(r.top()), "endx", guint(r.right()), "endy", guint(r.bottom()), nullptr);
    if (!target.x11Display.isEmpty())
        g_object_set(source, "display-name", target.x11Display.toUtf8().constData(), nullptr);
    return source;
}

// What a pipewiresrc's buffers pass through before they are converted.
struct PipeWireWatch
{
    std::function<void()> onResized;
    std::shared_ptr<StreamSilenceWatch> silence;
    gsize firstSize = 0; // bytes of the stream's first picture
    bool resized = false;
};

// The times pipewiresrc stamps come from the producer's clock, not from the
// shared capture clock; frames without a time are taken at their arrival.
//
// pipewiresrc (0.3.65) takes a new format from its producer (the monitor
// changed its resolution) without announcing new caps: the buffers change
// their size under the old caps. A picture of another size than the stream's
// first marks that change; it and all after it are dropped, and the owner is
// told once so that it starts the stream anew, which negotiates the new size.
GstPadProbeReturn watchPipeWireBuffer(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    auto *watch = static_cast<PipeWireWatch *>(data);
    const gsize size = gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
    if (size == 0)
        return GST_PAD_PROBE_DROP;
    watch->silence->noteBuffer();
    if (watch->firstSize == 0)
        watch->firstSize = size;
    if (size != watch->firstSize) {
        if (!std::exchange(watch->resized, true) && watch->onResized)
            watch->onResized();
        return GST_PAD_PROBE_DROP;
    }
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

// pipewiresrc owns the descriptor it is given, so each start gets a duplicate.
GstElement *pipeWireSource(const PipeWireRemote &remote, std::function<void()> onResized,
                           std::shared_ptr<StreamSilenceWatch> silence)
{
    GstElement *source = gst_element_factory_make("pipewiresrc", nullptr);
    if (!source)
        return nullptr;
    const int fd = fcntl(remote.fd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        gst_object_unref(source);
        return nullptr;
    }
    // Each picture is copied out of the producer's buffers at once: when the
    // monitor changes its resolution, PipeWire renews those buffers, and a
    // picture still being converted from one of them would lose its memory.
    // A compositor sends a picture only when its screen changes (wlroots'
    // portal does so); the last one is sent again meanwhile, so that a still
    // screen is recorded to the end of the take at about the camera's rate
    // rather than ending the video at its last change.
    g_object_set(source, "fd", fd, "path", QByteArray::number(remote.nodeID).constData(), "always-copy", TRUE,
                 nullptr);
    // A compositor sends a picture only when the screen changes: a still
    // screen would leave the preview and a take without pictures. The last
    // one is sent again after this many milliseconds without a new one.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "keepalive-time"))
        g_object_set(source, "keepalive-time", pipeWireKeepAliveMs, nullptr);
    GstPad *pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, watchPipeWireBuffer,
                      new PipeWireWatch{std::move(onResized), std::move(silence)},
                      [](gpointer data) { delete static_cast<PipeWireWatch *>(data); });
    gst_object_unref(pad);
    return source;
}

} // namespace

ScreenCaptureSource::ScreenCaptureSource() = default;

ScreenCaptureSource::~ScreenCaptureSource()
{
    stop();
}

void ScreenCaptureSource::setDisplays(const QList<ScreenTarget> &displays)
{
    std::lock_guard lock(m_lock);
    m_displays = displays;
}

std::optional<ScreenTarget> ScreenCaptureSource::display(quint32 number) const
{
    std::lock_guard lock(m_lock);
    for (const ScreenTarget &d : m_displays) {
        if (d.number == number)
            return d;
    }
    return std::nullopt;
}

BasicStatus<SourceFailure> ScreenCaptureSource::start(quint32 number, SerialQueue &queue)
{
    using S = BasicStatus<SourceFailure>;
    stop();
    const std::optional<ScreenTarget> target = display(number);
    if (!target || (!target->pipeWire && (target->pixelRect.width() < 1 || target->pixelRect.height() < 1)))
        return S::failure({SourceFailure::Kind::screenNotFound});

    ensureGstInitialized();
    const QRect r = target->pixelRect;
    m_resized = false;
    if (target->pipeWire)
        m_silence = StreamSilenceWatch::start(pipeWireSilenceLimit, [this] {
            if (onError)
                onError({SourceFailure::Kind::noData});
        });
    GstElement *source = target->pipeWire ? pipeWireSource(
                                                    *target->pipeWire,
                                                    [this] {
                                                        m_resized = true;
                                                        if (onResized)
                                                            onResized();
                                                    },
                                                    m_silence)
                                          : x11Source(*target);
    if (!source) {
        stop();
        return S::failure({target->pipeWire ? SourceFailure::Kind::pipeWireSourceMissing
                                            : SourceFailure::Kind::x11SourceMissing});
    }

    // Frames pass only once the start has been announced, so that whatever a
    // frame tells about its size comes after what onStarted told.
    auto announced = std::make_shared<std::atomic<bool>>(false);
    auto relay = LatestFrameRelay::create(queue, [this, announced](const VideoFrame &frame) {
        if (onFrame && announced->load())
            onFrame(frame);
    });
    CapturePipeline::Handlers handlers;
    handlers.onSample = [relay](GstSample *sample, double time) { relay->push(sample, time); };
    handlers.onError = [this](const SourceFailure &failure) {
        if (onError)
            onError(failure);
    };
    auto started = CapturePipeline::start(
            source,
            target->pipeWire
                    ? QStringLiteral("videoconvert ! capsfilter caps=\"video/x-raw,format=BGRA\"")
                    : QStringLiteral("capsfilter caps=\"video/x-raw,framerate=30/1\" ! videoconvert ! "
                                     "capsfilter caps=\"video/x-raw,format=BGRA\""),
            true, std::move(handlers));
    if (!started) {
        relay->close();
        stop();
        return S::failure(started.error());
    }
    m_stream = started.value();
    m_relay = relay;
    m_target = target;
    if (onStarted)
        onStarted(r.width(), r.height());
    *announced = true;
    return {};
}

void ScreenCaptureSource::stop()
{
    if (m_silence)
        m_silence->stop();
    m_silence.reset();
    if (m_relay)
        m_relay->close();
    m_relay.reset();
    m_stream.reset();
    m_target.reset();
}

BasicStatus<SourceFailure> ScreenCaptureSource::follow(SerialQueue &queue)
{
    if (!m_stream || !m_target)
        return {};
    const std::optional<ScreenTarget> now = display(m_target->number);
    if (!now || (*now == *m_target && !m_resized))
        return {};
    return start(m_target->number, queue);
}

bool ScreenCaptureSource::isStreaming() const
{
    return bool(m_stream);
}

} // namespace tandrel
