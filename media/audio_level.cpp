#include "media/audio_level.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tandrel {

std::optional<float> audioLevel(const AudioBuffer &buffer)
{
    if (buffer.frames < 1 || buffer.data.isEmpty())
        return std::nullopt;

    const char *bytes = buffer.data.constData();
    const qsizetype size = buffer.data.size();
    double sum = 0;
    qsizetype n = 0;
    switch (buffer.format.sampleFormat) {
    case SampleFormat::Float32: {
        n = size / 4;
        for (qsizetype i = 0; i < n; ++i) {
            float s;
            std::memcpy(&s, bytes + 4 * i, 4); // the data need not be aligned
            sum += double(s) * double(s);
        }
        break;
    }
    case SampleFormat::Int16: {
        n = size / 2;
        for (qsizetype i = 0; i < n; ++i) {
            int16_t s;
            std::memcpy(&s, bytes + 2 * i, 2);
            const double v = double(s) * 3.0517578125e-5;
            sum += v * v;
        }
        break;
    }
    case SampleFormat::Other:
        return std::nullopt;
    }
    if (n == 0)
        return std::nullopt;
    const double rms = std::sqrt(sum / double(n));
    if (rms < 1e-8)
        return -100.0f;
    return float(20.0 * std::log10(rms));
}

} // namespace tandrel
