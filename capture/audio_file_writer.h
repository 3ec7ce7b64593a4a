#pragma once

#include "capture/media_writer.h"
#include "capture/video_file_writer.h"
#include "media/audio_buffer.h"

namespace tandrel {

// The take's audio file: microphone buffers of any rate and channel count,
// mixed to mono, resampled to 48 kHz and encoded as AAC LC at 192 kb/s into
// an MPEG-4 audio file whose index is kept up to date in reserved header
// space, as the video writer does. Its time base is the sample rate, so
// lengths and the edit list count single samples.
//
// The encoder puts EncoderDelay samples of its own (priming) before the
// first captured one. A finished file's edit list skips them, so that a
// player's first sample is the take's first: speech intervals and the video
// then meet the sound to the sample.
class AudioFileWriter : public MediaWriter
{
public:
    static constexpr int SampleRate = 48000;
    static constexpr int BitRate = 192000;
    // Priming of FFmpeg's AAC encoder (avenc_aac): one frame of 1024 samples.
    static constexpr qint64 EncoderDelay = 1024;
    // About a second of 1024-frame microphone buffers.
    static constexpr guint64 MaxQueuedBuffers = 48;
    // The index space covers what the video writer's does, at the bytes
    // reserved per second for 47 AAC frames (about 230 measured); with the
    // muxer's two copies 2.3 MB of header room in every file.
    static constexpr guint64 ReservedSeconds = VideoFileWriter::ReservedSeconds;
    static constexpr guint ReservedBytesPerSecond = 300;

    // A writer for a new file at `path`, opened but not started, whose index
    // space covers `reservedSeconds`.
    static Result<std::shared_ptr<AudioFileWriter>, CaptureNotice>
    create(const QString &path, guint64 reservedSeconds = ReservedSeconds);

    // Appends `buffer` whose first frame lies `time` seconds from the start
    // of the take; frames before the start are cut off. The samples are
    // shared, not copied. An MPEG-4 audio track plays its samples back to
    // back, so a gap before the buffer (the take began with video, or
    // buffers were dropped) is filled with silence to keep later sound in
    // step with the video. True when the writer took the buffer.
    bool appendBuffer(const AudioBuffer &buffer, double time);
    // Fills the time from the end of the last buffer up to `time` seconds
    // with silence, whatever the queue holds: the end of a take whose sound
    // stopped before its picture. Does nothing before the first buffer.
    void padTo(double time);
    // Seconds from the start of the take to the end of the samples so far.
    double end() const { return m_nextTime; }

    // Gaps shorter than this are timing jitter, not lost sound.
    static constexpr double GapTolerance = 0.02;

protected:
    void onCompleted() override;

private:
    AudioFileWriter(GstElement *pipeline, GstAppSrc *source, const QString &path);
    void setFormat(const AudioFormat &format);
    bool pushSamples(const QByteArray &data, qint64 skipFrames, qint64 frames, double time,
                     bool pastQueueLimit = false);

    AudioFormat m_format;
    double m_nextTime = 0; // where the samples pushed so far end
};

} // namespace tandrel
