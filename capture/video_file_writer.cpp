#include "capture/video_file_writer.h"

#include "capture/portrait_renderer.h"

#include <gst/video/gstvideopool.h>

#include <algorithm>
#include <cmath>

namespace tandrel {

Result<std::shared_ptr<VideoFileWriter>, CaptureNotice>
VideoFileWriter::create(const QString &path, guint64 reservedSeconds, const char *preset, const char *options)
{
    using R = Result<std::shared_ptr<VideoFileWriter>, CaptureNotice>;
    const QByteArray description
            // The queue is bounded by acceptsMoreData, not by the
            // appsrc: a full appsrc would drop frames and leave the grid.
            = QStringLiteral("appsrc name=src format=time max-bytes=0 max-buffers=0"
                             " ! x264enc bitrate=%2 speed-preset=%3 option-string=\"%6\" key-int-max=60"
                             " ! video/x-h264,profile=high"
                             " ! qtmux reserved-max-duration=%4 reserved-moov-update-period=%5"
                             " reserved-bytes-per-sec=%7 movie-timescale=%1 trak-timescale=%1"
                             " ! filesink name=sink sync=false buffer-mode=unbuffered")
                      .arg(Timescale)
                      .arg(BitRateKbps)
                      .arg(QLatin1String(preset))
                      .arg(reservedSeconds * GST_SECOND)
                      .arg(GST_SECOND)
                      .arg(QLatin1String(options))
                      .arg(ReservedBytesPerSecond)
                      .toLatin1();
    auto pipeline = buildPipeline(description.constData(), path, true);
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
    if (m_last)
        gst_buffer_unref(m_last);
    gst_buffer_pool_set_active(m_pool, FALSE);
    gst_object_unref(m_pool);
}

void VideoFileWriter::setCaps(const GstVideoColorimetry &colorimetry)
{
    GstCaps *caps = PortraitRenderer::outputCaps();
    gchar *text = gst_video_colorimetry_to_string(&colorimetry);
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, FrameRate, 1, nullptr);
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

qint64 VideoFileWriter::gridFrame(double time)
{
    return std::llround(time * FrameRate);
}

bool VideoFileWriter::pushFrame(GstBuffer *frame, bool pastQueueLimit)
{
    const GstClockTime pts = gst_util_uint64_scale_round(guint64(m_nextFrame), GST_SECOND, FrameRate);
    const GstClockTime end = gst_util_uint64_scale_round(guint64(m_nextFrame + 1), GST_SECOND, FrameRate);
    // Pool buffers come back with the previous frame's times.
    frame = gst_buffer_make_writable(frame);
    GST_BUFFER_PTS(frame) = pts;
    GST_BUFFER_DTS(frame) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(frame) = end - pts;
    if (!(pastQueueLimit ? pushPastQueueLimit(frame) : push(frame)))
        return false;
    ++m_nextFrame;
    return true;
}

void VideoFileWriter::repeatUntil(qint64 frame)
{
    while (m_last && m_nextFrame < frame) {
        // A copy shares the picture's memory; only its times differ.
        if (!pushFrame(gst_buffer_copy(m_last), true))
            return;
        ++m_repeated;
    }
}

bool VideoFileWriter::appendFrame(GstBuffer *frame, double time, const GstVideoColorimetry &colorimetry,
                                  bool pastQueueLimit)
{
    if (!(time >= 0) || !std::isfinite(time) || !(pastQueueLimit ? status() == Status::Writing : acceptsMoreData())) {
        gst_buffer_unref(frame);
        return false;
    }
    const qint64 slot = gridFrame(time);
    if (slot < m_nextFrame) {
        ++m_dropped;
        gst_buffer_unref(frame);
        return false;
    }
    if (!m_last) {
        setCaps(colorimetry);
        // A movie starts with the take: the first picture also stands for
        // the time before it.
        m_last = gst_buffer_ref(frame);
    }
    repeatUntil(slot);
    GstBuffer *previous = m_last;
    m_last = gst_buffer_ref(frame);
    gst_buffer_unref(previous);
    // The writer was ready for this picture; the repeats before it may have
    // filled the queue since.
    return pushFrame(frame, true);
}

void VideoFileWriter::dropFrame(double time)
{
    ++m_dropped;
    if (time >= 0 && std::isfinite(time))
        repeatUntil(gridFrame(time) + 1);
}

void VideoFileWriter::extendTo(qint64 frames)
{
    repeatUntil(frames);
}

} // namespace tandrel
