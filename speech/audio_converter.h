#pragma once

#include "media/audio_buffer.h"

#include <QByteArray>
#include <memory>

typedef struct _GstAudioConverter GstAudioConverter;

namespace tandrel {

// Converts interleaved PCM from one format to another (sample format, channel
// mix, sample rate) with GStreamer's audio converter. It keeps the resampler's
// filter history between calls, so one converter must serve one continuous
// stream; create a new one when either format changes.
class AudioConverter
{
public:
    // None when GStreamer cannot convert between the two formats.
    static std::unique_ptr<AudioConverter> create(const AudioFormat &from, const AudioFormat &to);
    ~AudioConverter();
    AudioConverter(const AudioConverter &) = delete;
    AudioConverter &operator=(const AudioConverter &) = delete;

    const AudioFormat &inputFormat() const { return m_from; }
    const AudioFormat &outputFormat() const { return m_to; }

    // Output room for `frames` input frames: the rate ratio times the frames,
    // rounded up, plus 64 frames of slack for the resampler's history.
    qint64 outputCapacity(qint64 frames) const;

    // Converts `frames` frames of `data`; an empty array when the conversion
    // fails or gives no frames yet (the resampler may hold the first few back).
    QByteArray convert(const QByteArray &data, qint64 frames);

private:
    AudioConverter(GstAudioConverter *converter, const AudioFormat &from, const AudioFormat &to);
    GstAudioConverter *m_converter;
    AudioFormat m_from;
    AudioFormat m_to;
};

} // namespace tandrel
