#include "media/audio_level.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace tandrel;

namespace {

template<typename T> AudioBuffer bufferOf(const std::vector<T> &samples, SampleFormat format, int channels)
{
    AudioBuffer b;
    b.format = {48000, channels, format};
    b.data = QByteArray(reinterpret_cast<const char *>(samples.data()),
                        qsizetype(samples.size() * sizeof(T)));
    b.frames = qint64(samples.size()) / channels;
    return b;
}

} // namespace

TEST(AudioLevel, FullScaleIsZeroDecibelsAndAllChannelsPoolIntoOneRms)
{
    EXPECT_FLOAT_EQ(*audioLevel(bufferOf<float>({1, -1, 1, -1}, SampleFormat::Float32, 1)), 0.0f);
    EXPECT_NEAR(*audioLevel(bufferOf<int16_t>({-32768, -32768}, SampleFormat::Int16, 2)), 0.0f, 1e-6);
    // Left at half scale, right silent: rms = sqrt(0.25 / 2).
    const auto level = audioLevel(bufferOf<float>({0.5f, 0, 0.5f, 0}, SampleFormat::Float32, 2));
    EXPECT_NEAR(*level, 20 * std::log10(std::sqrt(0.125)), 1e-5);
    const auto level16 = audioLevel(bufferOf<int16_t>({16384, 0, 16384, 0}, SampleFormat::Int16, 2));
    EXPECT_NEAR(*level16, 20 * std::log10(std::sqrt(0.125)), 1e-5);
}

TEST(AudioLevel, SilenceIsMinusHundredAndEmptyOrUnknownGiveNone)
{
    EXPECT_EQ(audioLevel(bufferOf<float>({0, 0, 0}, SampleFormat::Float32, 1)), -100.0f);
    EXPECT_EQ(audioLevel(bufferOf<float>({1e-9f, -1e-9f}, SampleFormat::Float32, 1)), -100.0f);
    EXPECT_FALSE(audioLevel(bufferOf<float>({}, SampleFormat::Float32, 1)).has_value());
    EXPECT_FALSE(audioLevel(bufferOf<int16_t>({100, 200}, SampleFormat::Other, 1)).has_value());
}
