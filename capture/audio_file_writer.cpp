#include "capture/audio_file_writer.h"

#include <cmath>

namespace tandrel {

Result<std::shared_ptr<AudioFileWriter>> AudioFileWriter::create(const QString &path, guint64 reservedSeconds)
{
    using R = Result<std::shared_ptr<AudioFileWriter>>;
    const QByteArray description
            = QStringLiteral("appsrc name=src format=time max-bytes=0 max-buffers=%1 leaky-type=upstream"
                             " ! audioconvert ! audioresample ! audio/x-raw,rate=%2,channels=1"
                             " ! avenc_aac bitrate=%3"
                             " ! mp4mux reserved-max-duration=%4 reserved-moov-update-period=%5"
                             " reserved-bytes-per-sec=%6"
                             " ! filesink name=sink sync=false buffer-mode=unbuffered")
                      .arg(MaxQueuedBuffers)
                      .arg(SampleRate)
                      .arg(BitRate)
                      .arg(reservedSeconds * GST_SECOND)
                      .arg(GST_SECOND)
                      .arg(ReservedBytesPerSecond)
                      .toLatin1();
    auto pipeline = buildPipeline(description.constData(), path, QStringLiteral("Audio-Writer nicht bereit."),
                                  QStringLiteral("Audiodatei konnte nicht angelegt werden: "));
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

bool AudioFileWriter::pushSamples(const QByteArray &data, qint64 skipFrames, qint64 frames, double time)
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
    if (!push(out))
        return false;
    m_nextTime = time + double(frames) / m_format.sampleRate;
    return true;
}

bool AudioFileWriter::appendBuffer(const AudioBuffer &buffer, double time)
{
    const AudioFormat &format = buffer.format;
    const int bytesPerFrame = format.bytesPerFrame();
    if (bytesPerFrame == 0 || format.sampleRate <= 0 || buffer.frames < 1 || !std::isfinite(time)
        || buffer.data.size() < buffer.frames * bytesPerFrame || !isReadyForMoreMediaData())
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
