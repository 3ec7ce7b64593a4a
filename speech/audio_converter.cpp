#include "speech/audio_converter.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <cmath>

namespace tandrel {

namespace {

bool toAudioInfo(const AudioFormat &format, GstAudioInfo *info)
{
    if (format.sampleRate <= 0 || format.channels <= 0)
        return false;
    GstAudioFormat sampleFormat;
    switch (format.sampleFormat) {
    case SampleFormat::Float32:
        sampleFormat = GST_AUDIO_FORMAT_F32LE;
        break;
    case SampleFormat::Int16:
        sampleFormat = GST_AUDIO_FORMAT_S16LE;
        break;
    default:
        return false;
    }
    gst_audio_info_init(info);
    gst_audio_info_set_format(info, sampleFormat, format.sampleRate, format.channels, nullptr);
    return true;
}

} // namespace

std::unique_ptr<AudioConverter> AudioConverter::create(const AudioFormat &from, const AudioFormat &to)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstAudioInfo in, out;
    if (!toAudioInfo(from, &in) || !toAudioInfo(to, &out))
        return nullptr;
    // More than two channels have no standard position layout without a
    // channel mask; mixing them down needs one.
    if (from.channels > 2)
        GST_AUDIO_INFO_FLAGS(&in)
                = static_cast<GstAudioFlags>(GST_AUDIO_INFO_FLAGS(&in) | GST_AUDIO_FLAG_UNPOSITIONED);
    GstAudioConverter *converter = gst_audio_converter_new(GST_AUDIO_CONVERTER_FLAG_NONE, &in, &out, nullptr);
    if (!converter)
        return nullptr;
    return std::unique_ptr<AudioConverter>(new AudioConverter(converter, from, to));
}

AudioConverter::AudioConverter(GstAudioConverter *converter, const AudioFormat &from, const AudioFormat &to)
    : m_converter(converter), m_from(from), m_to(to)
{ }

AudioConverter::~AudioConverter()
{
    gst_audio_converter_free(m_converter);
}

qint64 AudioConverter::outputCapacity(qint64 frames) const
{
    double ratio
            = m_from.sampleRate <= 1 ? double(m_to.sampleRate) : double(m_to.sampleRate) / m_from.sampleRate;
    return std::max<qint64>(1, qint64(std::ceil(std::max(ratio, 0.1) * double(frames))) + 64);
}

QByteArray AudioConverter::convert(const QByteArray &data, qint64 frames)
{
    if (frames <= 0 || data.size() < frames * m_from.bytesPerFrame())
        return {};
    qint64 capacity = outputCapacity(frames);
    gsize outFrames = std::min<gsize>(gsize(capacity),
                                      gst_audio_converter_get_out_frames(m_converter, gsize(frames)));
    QByteArray output(qsizetype(outFrames * gsize(m_to.bytesPerFrame())), Qt::Uninitialized);
    gpointer in[1] = {const_cast<char *>(data.constData())};
    gpointer out[1] = {output.data()};
    if (!gst_audio_converter_samples(m_converter, GST_AUDIO_CONVERTER_FLAG_NONE, in, gsize(frames), out,
                                     outFrames))
        return {};
    return output;
}

} // namespace tandrel
