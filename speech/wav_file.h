#pragma once

#include "capture/audio_buffer.h"
#include "platform/result.h"

#include <QString>

namespace tandrel {

// A whole PCM WAV file in memory (16-bit integer or 32-bit float samples).
struct WavAudio
{
    AudioFormat format;
    QByteArray data;
    qint64 frames = 0;

    double duration() const { return format.sampleRate > 0 ? double(frames) / format.sampleRate : 0; }
    // `count` frames from `first` on as one buffer stamped with its start time.
    AudioBuffer slice(qint64 first, qint64 count) const;
};

Result<WavAudio> readWavFile(const QString &path);

} // namespace tandrel
