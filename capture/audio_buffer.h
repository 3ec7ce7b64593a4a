#pragma once

#include <QByteArray>

namespace tandrel {

enum class SampleFormat { Float32, Int16, Other };

// The shape of interleaved PCM audio.
struct AudioFormat
{
    int sampleRate = 0;
    int channels = 0;
    SampleFormat sampleFormat = SampleFormat::Other;
    bool operator==(const AudioFormat &) const = default;

    int bytesPerFrame() const
    {
        switch (sampleFormat) {
        case SampleFormat::Float32: return 4 * channels;
        case SampleFormat::Int16: return 2 * channels;
        case SampleFormat::Other: return 0;
        }
        return 0;
    }
};

// One microphone buffer: interleaved samples and the capture time of its first
// frame in seconds on the capture session's clock. The data is implicitly
// shared, so handing a buffer to several consumers copies no samples.
struct AudioBuffer
{
    AudioFormat format;
    QByteArray data;
    qint64 frames = 0;
    double time = 0;
};

} // namespace tandrel

#include <QString>
#include <functional>
#include <optional>

namespace tandrel {

// Called on the capture output queue for every microphone buffer.
using AudioTap = std::function<void(const AudioBuffer &)>;

// What a listener of the microphone needs from the capture side: which
// microphone is selected, and a place to install its tap (an empty function
// removes it). The capture controller implements it; tools that feed audio
// from a file implement it too.
class AudioTapHost
{
public:
    virtual ~AudioTapHost() = default;
    virtual std::optional<QString> selectedMicrophoneID() const = 0;
    virtual void setAudioTap(AudioTap tap) = 0;
};

} // namespace tandrel
