#pragma once

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

} // namespace tandrel
