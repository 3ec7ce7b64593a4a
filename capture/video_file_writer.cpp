#include "capture/video_file_writer.h"

#include "capture/portrait_renderer.h"

#include <gst/video/gstvideopool.h>

#include <algorithm>
#include <cmath>

namespace tandrel {

Result<std::shared_ptr<VideoFileWriter>> VideoFileWriter::create(const QString &path, guint64 reservedSeconds,
                                                                 const char *preset, const char *options)
{
    using R = Result<std::shared_ptr<VideoFileWriter>>;
    const QByteArray description
            = QStringLiteral("appsrc name=src format=time max-bytes=0 max-buffers=%1 leaky-type=upstream"
                             " ! x264enc bitrate=%2 speed-preset=%3 option-string=\"%6\" key-int-max=60"
                             " ! video/x-h264,profile=high"
                             " ! qtmux reserved-max-duration=%4 reserved-moov-update-period=%5"
                             " reserved-bytes-per-sec=%7"
                             " ! filesink name=sink sync=false buffer-mode=unbuffered")
                      .arg(MaxQueuedFrames + MaxLeadFrames + 1)
                      .arg(BitRateKbps)
                      .arg(QLatin1String(preset))
                      .arg(reservedSeconds * GST_SECOND)
                      .arg(GST_SECOND)
                      .arg(QLatin1String(options))
                      .arg(ReservedBytesPerSecond)
                      .toLatin1();
    auto pipeline = buildPipeline(description.constData(), path, QStringLiteral("Video-Writer nicht bereit."),
                                  QStringLiteral("Videodatei konnte nicht angelegt werden: "));
    if (!pipeline)
        return R::failure(pipeline.error());
    GstElement *src = gst_bin_get_by_name(GST_BIN(*pipeline), "src");
    return std::shared_ptr<VideoFileWriter>(new VideoFileWriter(*pipeline, GST_APP_SRC(src), path));
}

VideoFileWriter::VideoFileWriter(GstElement *pipeline, GstAppSrc *source, const QString &path)
    : MediaWriter(pipeline, source, path, MaxQueuedFrames), m_pool(gst_video_buffer_pool_new())
{
    GstCaps *caps = PortraitRenderer::outputCaps();
    GstVideoInfo info;
    gst_video_info_from_caps(&info, caps);
    GstStructure *config = gst_buffer_pool_get_config(m_pool);
    gst_buffer_pool_config_set_params(config, caps, guint(GST_VIDEO_INFO_SIZE(&info)), 0, PoolSize);
    gst_buffer_pool_set_config(m_pool, config);
    gst_caps_unref(caps);
}

VideoFileWriter::~VideoFileWriter()
{
    waitForFinish();
    gst_buffer_pool_set_active(m_pool, FALSE);
    gst_object_unref(m_pool);
}

void VideoFileWriter::setCaps(const GstVideoColorimetry &colorimetry)
{
    GstCaps *caps = PortraitRenderer::outputCaps();
    gchar *text = gst_video_colorimetry_to_string(&colorimetry);
    // Frames come at the capture's own pace.
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
    if (text)
        gst_caps_set_simple(caps, "colorimetry", G_TYPE_STRING, text, nullptr);
    g_free(text);
    gst_app_src_set_caps(source(), caps);
    gst_caps_unref(caps);
}

void VideoFileWriter::onStarted()
{
    m_poolActive.store(gst_buffer_pool_set_active(m_pool, TRUE), std::memory_order_release);
}

GstBufferPool *VideoFileWriter::pixelBufferPool() const
{
    return m_poolActive.load(std::memory_order_acquire) ? m_pool : nullptr;
}

bool VideoFileWriter::appendFrame(GstBuffer *frame, double time, const GstVideoColorimetry &colorimetry)
{
    if (!(time >= 0) || !std::isfinite(time) || !isReadyForMoreMediaData()) {
        gst_buffer_unref(frame);
        return false;
    }
    const GstClockTime pts = GstClockTime(std::llround(time * GST_SECOND));
    if (GST_CLOCK_TIME_IS_VALID(m_lastTime) && pts <= m_lastTime) {
        gst_buffer_unref(frame);
        return false;
    }
    const bool first = !GST_CLOCK_TIME_IS_VALID(m_lastTime);
    if (first) {
        setCaps(colorimetry);
        // A movie's first frame plays from its start, whatever its time.
        // Copies of the first frame fill the time before it, at about the
        // frame rate: a single long lead frame would make the encoder delay
        // its decoding times by as much, and the movie grow as long.
        if (pts > 0) {
            const GstClockTime spacing = std::max<GstClockTime>(GST_SECOND / 30, pts / MaxLeadFrames);
            for (GstClockTime t = 0; t < pts; t += spacing) {
                GstBuffer *lead = gst_buffer_copy(frame); // shares the pixels
                GST_BUFFER_PTS(lead) = t;
                GST_BUFFER_DTS(lead) = GST_CLOCK_TIME_NONE;
                GST_BUFFER_DURATION(lead) = std::min(spacing, pts - t);
                pushPastQueueLimit(lead);
                m_lastTime = t;
            }
        }
    }
    if (GST_CLOCK_TIME_IS_VALID(m_lastTime))
        m_lastDuration = pts - m_lastTime;
    // Pool buffers come back with the previous frame's times.
    frame = gst_buffer_make_writable(frame);
    GST_BUFFER_PTS(frame) = pts;
    GST_BUFFER_DTS(frame) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(frame) = m_lastDuration;
    if (!(first ? pushPastQueueLimit(frame) : push(frame)))
        return false;
    m_lastTime = pts;
    return true;
}

} // namespace tandrel
