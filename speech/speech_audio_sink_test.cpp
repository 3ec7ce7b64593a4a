#include "speech/speech_audio_sink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace tandrel;

namespace {

const AudioFormat recogniserFormat{16000, 1, SampleFormat::Int16};

// A sine tone in any of the capture formats, `frames` long, starting at
// frame `first` of an endless tone.
AudioBuffer tone(const AudioFormat &format, qint64 first, qint64 frames, double hz = 440,
                 double amplitude = 0.5)
{
    AudioBuffer buffer{format, QByteArray(qsizetype(frames * format.bytesPerFrame()), 0), frames,
                       double(first) / format.sampleRate};
    for (qint64 i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * hz * double(first + i) / format.sampleRate);
        for (int c = 0; c < format.channels; ++c) {
            char *at = buffer.data.data()
                    + (i * format.channels + c) * (format.bytesPerFrame() / format.channels);
            if (format.sampleFormat == SampleFormat::Float32) {
                const float f = float(v);
                std::memcpy(at, &f, 4);
            } else {
                const qint16 s = qint16(v * 32767);
                std::memcpy(at, &s, 2);
            }
        }
    }
    return buffer;
}

std::vector<SpeechChunk> drain(SpeechInputStream &stream)
{
    stream.finish();
    std::vector<SpeechChunk> chunks;
    SpeechChunk chunk;
    while (stream.next(chunk))
        chunks.push_back(chunk);
    return chunks;
}

std::vector<qint16> samplesOf(const std::vector<SpeechChunk> &chunks)
{
    std::vector<qint16> samples;
    for (const SpeechChunk &c : chunks) {
        const auto *s = reinterpret_cast<const qint16 *>(c.samples.constData());
        samples.insert(samples.end(), s, s + c.samples.size() / 2);
    }
    return samples;
}

} // namespace

TEST(SpeechAudioSink, DropsEveryBufferWhileIdleAndAfterResetAndPassesItsOwnFormatUnchanged)
{
    SpeechAudioSink sink;
    sink.append(tone(recogniserFormat, 0, 320)); // idle: nowhere to go

    auto first = std::make_shared<SpeechInputStream>();
    sink.prepareAnalyzer(recogniserFormat, first);
    sink.append(tone(recogniserFormat, 320, 320));
    sink.reset();
    EXPECT_TRUE(first->isFinished()) << "reset must end the recogniser's input stream";
    sink.append(tone(recogniserFormat, 640, 320));

    auto second = std::make_shared<SpeechInputStream>();
    sink.prepareAnalyzer(recogniserFormat, second);
    const AudioBuffer last = tone(recogniserFormat, 960, 320);
    sink.append(last);

    const auto firstChunks = drain(*first);
    ASSERT_EQ(firstChunks.size(), 1u);
    EXPECT_DOUBLE_EQ(firstChunks[0].time, 320.0 / 16000);
    const auto secondChunks = drain(*second);
    ASSERT_EQ(secondChunks.size(), 1u);
    EXPECT_DOUBLE_EQ(secondChunks[0].time, 960.0 / 16000);
    EXPECT_EQ(secondChunks[0].samples, last.data) << "the recogniser's own format passes unchanged";
    EXPECT_EQ(sink.convertersCreated(), 0);
}

TEST(SpeechAudioSink, ConvertsMicrophoneFormatsToTheRecogniserFormatWithOneConverter)
{
    const AudioFormat microphones[] = {{48000, 2, SampleFormat::Float32},
                                       {22050, 1, SampleFormat::Int16},
                                       {44100, 2, SampleFormat::Int16},
                                       {16000, 1, SampleFormat::Float32}};
    for (const AudioFormat &microphone : microphones) {
        SCOPED_TRACE(microphone.sampleRate);
        SCOPED_TRACE(microphone.channels);
        SpeechAudioSink sink;
        auto stream = std::make_shared<SpeechInputStream>();
        sink.prepareAnalyzer(recogniserFormat, stream);
        const qint64 frames = microphone.sampleRate / 50; // 20 ms
        for (int i = 0; i < 100; ++i)
            sink.append(tone(microphone, i * frames, frames));
        EXPECT_EQ(sink.convertersCreated(), 1) << "the converter must be reused while the formats stay";

        const auto chunks = drain(*stream);
        ASSERT_FALSE(chunks.empty());
        EXPECT_DOUBLE_EQ(chunks.back().time, 99 * 0.02) << "a chunk carries its buffer's capture time";
        const std::vector<qint16> samples = samplesOf(chunks);
        // Two seconds at 16 kHz, less what the resampler still holds back.
        EXPECT_GT(samples.size(), 31000u);
        EXPECT_LE(samples.size(), 32000u);

        // The tone survives the mix-down and the resampling: 440 Hz is 880 sign
        // changes a second, and the level stays near half of full scale.
        const size_t settled = 1600;
        int crossings = 0;
        double peak = 0;
        for (size_t i = settled + 1; i < samples.size(); ++i) {
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
            peak = std::max(peak, std::abs(double(samples[i])) / 32767);
        }
        const double seconds = double(samples.size() - settled) / 16000;
        EXPECT_NEAR(crossings / seconds, 880, 10);
        EXPECT_NEAR(peak, 0.5, 0.05);
    }
}

TEST(SpeechAudioSink, MakesANewConverterOnlyWhenTheMicrophoneFormatChanges)
{
    SpeechAudioSink sink;
    auto stream = std::make_shared<SpeechInputStream>();
    sink.prepareAnalyzer(recogniserFormat, stream);
    const AudioFormat formats[] = {{48000, 1, SampleFormat::Float32},
                                   {48000, 1, SampleFormat::Float32},
                                   {44100, 2, SampleFormat::Int16},
                                   {44100, 2, SampleFormat::Int16},
                                   {48000, 1, SampleFormat::Float32}};
    for (const AudioFormat &f : formats)
        sink.append(tone(f, 0, 1024));
    EXPECT_EQ(sink.convertersCreated(), 3);
    EXPECT_EQ(drain(*stream).size(), 5u);
}

TEST(SpeechAudioSink, DropsBuffersItCannotReadAndGoesOnWithTheNext)
{
    SpeechAudioSink sink;
    auto stream = std::make_shared<SpeechInputStream>();
    sink.prepareAnalyzer(recogniserFormat, stream);
    AudioBuffer truncated = tone(recogniserFormat, 0, 320);
    truncated.data.truncate(100);
    AudioBuffer unknown = tone(recogniserFormat, 0, 320);
    unknown.format.sampleFormat = SampleFormat::Other;
    AudioBuffer noChannels = tone({48000, 1, SampleFormat::Float32}, 0, 320);
    noChannels.format.channels = 0;
    for (const AudioBuffer &bad : {truncated, unknown, noChannels})
        sink.append(bad);
    sink.append(tone(recogniserFormat, 320, 320));
    const auto chunks = drain(*stream);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_DOUBLE_EQ(chunks[0].time, 0.02);
}

TEST(SpeechAudioSink, PassThroughStopsConversionAtOnceAndForwardsRawBuffers)
{
    const AudioFormat microphone{48000, 1, SampleFormat::Float32};
    SpeechAudioSink sink;
    auto stream = std::make_shared<SpeechInputStream>();
    sink.prepareAnalyzer(recogniserFormat, stream);
    sink.append(tone(microphone, 0, 960));

    std::vector<AudioBuffer> forwarded;
    sink.prepareLegacy([&](const AudioBuffer &b) { forwarded.push_back(b); });
    const AudioBuffer raw = tone(microphone, 960, 960);
    sink.append(raw);
    ASSERT_EQ(forwarded.size(), 1u);
    EXPECT_EQ(forwarded[0].data, raw.data);
    EXPECT_EQ(forwarded[0].format, microphone);
    EXPECT_EQ(drain(*stream).size(), 1u) << "only the buffer before the switch reaches the stream";

    sink.reset();
    sink.append(raw);
    EXPECT_EQ(forwarded.size(), 1u) << "reset clears the pass-through as well";
}
