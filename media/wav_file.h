#pragma once

#include "media/audio_buffer.h"
#include "media/media_failure.h"
#include "platform/result.h"

#include <QFile>
#include <QString>
#include <memory>

namespace tandrel {

// A PCM WAV file opened for reading: 16-bit integer or 32-bit float samples,
// also behind WAVE_FORMAT_EXTENSIBLE. The RIFF chunks are walked for "fmt "
// and "data" in any order, others skipped (odd sizes padded to even); a data
// size beyond the end of the file, as streaming writers leave it, is cut to
// what the file holds.
class WavReader
{
public:
    static Result<std::shared_ptr<WavReader>, MediaFailure> open(const QString &path);

    const AudioFormat &format() const { return m_format; }
    qint64 frames() const { return m_frames; }
    double duration() const { return double(m_frames) / m_format.sampleRate; }
    // `count` frames from `first` on (clamped to the file) as one buffer in
    // host byte order, stamped with its start time in the file.
    Result<AudioBuffer, MediaFailure> read(qint64 first, qint64 count);

private:
    QFile m_file;
    AudioFormat m_format;
    qint64 m_dataOffset = 0;
    qint64 m_frames = 0;
};

// A whole WAV file in memory, read by the rules of WavReader.
struct WavAudio
{
    AudioFormat format;
    QByteArray data;
    qint64 frames = 0;

    double duration() const { return format.sampleRate > 0 ? double(frames) / format.sampleRate : 0; }
    // `count` frames from `first` on as one buffer stamped with its start time.
    AudioBuffer slice(qint64 first, qint64 count) const;
};

Result<WavAudio, MediaFailure> readWavFile(const QString &path);

} // namespace tandrel
