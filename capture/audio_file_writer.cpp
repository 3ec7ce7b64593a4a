#include "capture/audio_file_writer.h"

#include "media/movie_index.h"

#include <cmath>

namespace tandrel {

Result<std::shared_ptr<AudioFileWriter>, CaptureNotice> AudioFileWriter::create(const QString &path,
                                                                                guint64 reservedSeconds)
{
    using R = Result<std::shared_ptr<AudioFileWriter>, CaptureNotice>;
    const QByteArray description
            // The queue is bounded by acceptsMoreData, not by the
            // appsrc: a full appsrc would drop the silence that ends a take.
            = QStringLiteral("appsrc name=src format=time max-bytes=0 max-buffers=0"
                             " ! audioconvert ! audioresample ! audio/x-raw,rate=%1,channels=1"
                             " ! avenc_aac bitrate=%2"
                             " ! mp4mux reserved-max-duration=%3 reserved-moov-update-period=%4"
                             " reserved-bytes-per-sec=%5 movie-timescale=%1 trak-timescale=%1"
                             " ! filesink name=sink sync=false buffer-mode=unbuffered")
                      .arg(SampleRate)
                      .arg(BitRate)
                      .arg(reservedSeconds * GST_SECOND)
                      .arg(GST_SECOND)
                      .arg(ReservedBytesPerSecond)
                      .toLatin1();
    auto pipeline = buildPipeline(description.constData(), path, false);
    if (!pipeline)
        return R::failure(pipeline.error());
    GstElement *src = gst_bin_get_by_name(GST_BIN(*pipeline), "src");
    return std::shared_ptr<AudioFileWriter>(new AudioFileWriter(*pipeline, GST_APP_SRC(src), path));
}

AudioFileWriter::AudioFileWriter(GstElement *pipeline, GstAppSrc *source, const QString &path)
    : MediaWriter(pipeline, source, path, MaxQueuedBuffers)
{ }

void AudioFileWriter::setFormat(const AudioFormat &format)
{
    if (format == m_format)
        return;
    const char *sampleFormat = format.sampleFormat == SampleFormat::Float32 ? "F32LE" : "S16LE";
    GstCaps *caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, sampleFormat, "layout",
                                        G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, format.sampleRate,
                                        "channels", G_TYPE_INT, format.channels, nullptr);
    if (format.channels > 2) // no speaker positions known: unpositioned
        gst_caps_set_simple(caps, "channel-mask", GST_TYPE_BITMASK, guint64(0), nullptr);
    gst_app_src_set_caps(source(), caps);
    gst_caps_unref(caps);
    m_format = format;
}

bool AudioFileWriter::pushSamples(const QByteArray &data, qint64 skipFrames, qint64 frames, double time,
                                  bool pastQueueLimit)
{
    const int bytesPerFrame = m_format.bytesPerFrame();
    auto *shared = new QByteArray(data);
    GstBuffer *out = gst_buffer_new_wrapped_full(
            GST_MEMORY_FLAG_READONLY, const_cast<char *>(shared->constData()), gsize(shared->size()),
            gsize(skipFrames * bytesPerFrame), gsize(frames * bytesPerFrame), shared,
            [](gpointer data) { delete static_cast<QByteArray *>(data); });
    GST_BUFFER_PTS(out) = GstClockTime(std::llround(time * GST_SECOND));
    GST_BUFFER_DURATION(out)
            = gst_util_uint64_scale_int(GstClockTime(frames), GST_SECOND, m_format.sampleRate);
    if (!(pastQueueLimit ? pushPastQueueLimit(out) : push(out)))
        return false;
    m_nextTime = time + double(frames) / m_format.sampleRate;
    return true;
}

void AudioFileWriter::padTo(double time)
{
    const int bytesPerFrame = m_format.bytesPerFrame();
    if (bytesPerFrame == 0 || m_format.sampleRate <= 0 || !std::isfinite(time))
        return;
    const qint64 silent = std::llround((time - m_nextTime) * m_format.sampleRate);
    if (silent > 0)
        pushSamples(QByteArray(silent * bytesPerFrame, '\0'), 0, silent, m_nextTime, true);
}

// On the finishing thread, after the last append: a file whose edit list
// cannot be written plays its priming too, EncoderDelay samples late, but plays.
void AudioFileWriter::onCompleted()
{
    // The encoder fills its last frame up; the file plays what was appended.
    MovieIndex::skipLeadingAudio(path(), EncoderDelay, std::llround(m_nextTime * SampleRate));
}

bool AudioFileWriter::appendBuffer(const AudioBuffer &buffer, double time)
{
    const AudioFormat &format = buffer.format;
    const int bytesPerFrame = format.bytesPerFrame();
    if (bytesPerFrame == 0 || format.sampleRate <= 0 || buffer.frames < 1 || !std::isfinite(time)
        || buffer.data.size() < buffer.frames * bytesPerFrame || !acceptsMoreData())
        return false;

    // Frames captured before the take began are not part of it.
    qint64 skip = 0;
    if (time < 0) {
        skip = qint64(std::ceil(-time * format.sampleRate));
        if (skip >= buffer.frames)
            return false;
        time = std::max(0.0, time + double(skip) / format.sampleRate);
    }
    setFormat(format);
    if (time - m_nextTime > GapTolerance) {
        const qint64 silent = std::llround((time - m_nextTime) * format.sampleRate);
        if (!pushSamples(QByteArray(silent * bytesPerFrame, '\0'), 0, silent, m_nextTime))
            return false;
    }
    return pushSamples(buffer.data, skip, buffer.frames - skip, time);
}

} // namespace tandrel
