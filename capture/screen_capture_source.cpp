#include "capture/screen_capture_source.h"

#include "capture/capture_pipeline.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"

#include <fcntl.h>
#include <unistd.h>

namespace tandrel {

PipeWireRemote::~PipeWireRemote()
{
    if (fd >= 0)
        ::close(fd);
}

namespace {

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

// The times pipewiresrc stamps come from the producer's clock, not from the
// shared capture clock; frames without a time are taken at their arrival.
GstPadProbeReturn dropProducerTime(GstPad *, GstPadProbeInfo *info, gpointer)
{
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

// pipewiresrc owns the descriptor it is given, so each start gets a duplicate.
GstElement *pipeWireSource(const PipeWireRemote &remote)
{
    GstElement *source = gst_element_factory_make("pipewiresrc", nullptr);
    if (!source)
        return nullptr;
    const int fd = fcntl(remote.fd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        gst_object_unref(source);
        return nullptr;
    }
    g_object_set(source, "fd", fd, "path", QByteArray::number(remote.nodeID).constData(), "always-copy",
                 FALSE, nullptr);
    GstPad *pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, dropProducerTime, nullptr, nullptr);
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

Status ScreenCaptureSource::start(quint32 number, SerialQueue &queue)
{
    stop();
    std::optional<ScreenTarget> target;
    {
        std::lock_guard lock(m_lock);
        for (const ScreenTarget &d : std::as_const(m_displays)) {
            if (d.number == number)
                target = d;
        }
    }
    if (!target || (!target->pipeWire && (target->pixelRect.width() < 1 || target->pixelRect.height() < 1)))
        return Status::failure(QStringLiteral("Bildschirm nicht gefunden."));

    ensureGstInitialized();
    const QRect r = target->pixelRect;
    GstElement *source = target->pipeWire ? pipeWireSource(*target->pipeWire) : x11Source(*target);
    if (!source)
        return Status::failure(target->pipeWire
                                       ? QStringLiteral("pipewiresrc fehlt (gstreamer1.0-pipewire).")
                                       : QStringLiteral("ximagesrc fehlt (GStreamer-Plugins „good“)."));

    auto relay = LatestFrameRelay::create(queue, [this](const VideoFrame &frame) {
        if (onFrame)
            onFrame(frame);
    });
    CapturePipeline::Handlers handlers;
    handlers.onSample = [relay](GstSample *sample, double time) { relay->push(sample, time); };
    handlers.onError = [this](const QString &description) {
        if (onError)
            onError(description);
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
        return Status::failure(started.error());
    }
    m_stream = started.value();
    m_relay = relay;
    if (onStarted)
        onStarted(r.width(), r.height());
    return {};
}

void ScreenCaptureSource::stop()
{
    if (m_relay)
        m_relay->close();
    m_relay.reset();
    m_stream.reset();
}

bool ScreenCaptureSource::isStreaming() const
{
    return bool(m_stream);
}

} // namespace tandrel
