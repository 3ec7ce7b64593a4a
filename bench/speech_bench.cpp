// Costs on the hot paths of speech following and speech detection.

#include "media/audio_level.h"
#include "speech/script_aligner.h"
#include "media/speech_activity_tracker.h"

#include <QStringList>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

using namespace tandrel;

namespace {

const QStringList vocabulary = {
        QStringLiteral("Heute"),        QStringLiteral("zeige"),    QStringLiteral("ich"),
        QStringLiteral("euch"),         QStringLiteral("wie"),      QStringLiteral("man"),
        QStringLiteral("mit"),          QStringLiteral("einer"),    QStringLiteral("Kamera"),
        QStringLiteral("über"),         QStringLiteral("die"),      QStringLiteral("Straße"),
        QStringLiteral("Fahrrad"),      QStringLiteral("fährt,"),   QStringLiteral("und"),
        QStringLiteral("dabei"),        QStringLiteral("spricht."), QStringLiteral("Geht’s"),
        QStringLiteral("E-Mail"),       QStringLiteral("Mikrofon"), QStringLiteral("Licht"),
        QStringLiteral("Bildschirm"),   QStringLiteral("Aufnahme"), QStringLiteral("schnell"),
        QStringLiteral("Teleprompter"), QStringLiteral("Schnitt…"), QStringLiteral("natürlich"),
        QStringLiteral("Zuschauer"),    QStringLiteral("wichtig!"), QStringLiteral("2024"),
        QStringLiteral("Geräusche"),    QStringLiteral("einfach"),  QStringLiteral("wirklich?"),
};

QString scriptOf(int words)
{
    std::mt19937 random(7);
    QStringList out;
    for (int i = 0; i < words; ++i)
        out << vocabulary[qsizetype(random() % vocabulary.size())] + (i % 40 == 39 ? "\n" : "");
    return out.join(QLatin1Char(' '));
}

// What a recogniser makes of reading the first `words` words: mostly right,
// now and then a word misheard or one added.
QString transcriptOf(const QString &script, int words)
{
    const QStringList spoken = ScriptAligner::spokenWords(script).mid(0, words);
    QStringList out;
    for (qsizetype i = 0; i < spoken.size(); ++i) {
        QString word = spoken[i];
        if (i % 9 == 4)
            word += QLatin1Char('s');
        out << word;
        if (i % 13 == 6)
            out << QStringLiteral("ähm");
    }
    return out.join(QLatin1Char(' '));
}

void AlignerIngestFollowingReader(benchmark::State &state)
{
    ScriptAligner aligner;
    aligner.replaceScript(scriptOf(2000));
    const QString transcript = transcriptOf(aligner.script(), 500);
    for (auto _ : state) {
        aligner.ingest(transcript, false);
        benchmark::DoNotOptimize(aligner.lookahead());
    }
    state.counters["position"] = double(aligner.lookahead());
}
BENCHMARK(AlignerIngestFollowingReader)->Unit(benchmark::kMicrosecond);

// The worst case: no spoken word is in the script, every one is compared
// with the whole window.
void AlignerIngestUnrelatedSpeech(benchmark::State &state)
{
    ScriptAligner aligner;
    aligner.replaceScript(scriptOf(2000));
    QStringList words;
    for (int i = 0; i < 500; ++i)
        words << QStringLiteral("Unbekannt%1").arg(i % 17);
    const QString transcript = words.join(QLatin1Char(' '));
    for (auto _ : state) {
        aligner.ingest(transcript, true);
        benchmark::DoNotOptimize(aligner.cursor());
    }
}
BENCHMARK(AlignerIngestUnrelatedSpeech)->Unit(benchmark::kMicrosecond);

void AlignerReplaceScript(benchmark::State &state)
{
    const QString a = scriptOf(2000);
    const QString b = a + QStringLiteral(" Ende.");
    ScriptAligner aligner;
    bool flip = false;
    for (auto _ : state) {
        aligner.replaceScript((flip = !flip) ? a : b);
        benchmark::DoNotOptimize(aligner.tokens().size());
    }
}
BENCHMARK(AlignerReplaceScript)->Unit(benchmark::kMicrosecond);

void TrackerProcessPerBuffer(benchmark::State &state)
{
    SpeechActivityTracker tracker;
    std::mt19937 random(3);
    std::vector<float> levels(4096);
    for (float &level : levels) // speech and pauses of a few buffers each
        level = (random() % 8 < 3) ? -60.0f + float(random() % 10) : -25.0f + float(random() % 10);
    double time = 0;
    size_t i = 0;
    for (auto _ : state) {
        tracker.process(levels[i++ & 4095], time);
        time += 1024.0 / 48000.0;
        if ((i & 0xFFFF) == 0) {
            state.PauseTiming();
            tracker.reset();
            time = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(TrackerProcessPerBuffer);

template<typename Sample, SampleFormat format> void AudioLevelOf1024Frames(benchmark::State &state)
{
    std::vector<Sample> samples(1024);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double v = 0.3 * std::sin(double(i) * 0.0576);
        samples[i] = format == SampleFormat::Int16 ? Sample(v * 32767) : Sample(v);
    }
    AudioBuffer buffer;
    buffer.format = {48000, 1, format};
    buffer.data = QByteArray(reinterpret_cast<const char *>(samples.data()),
                             qsizetype(samples.size() * sizeof(Sample)));
    buffer.frames = 1024;
    for (auto _ : state)
        benchmark::DoNotOptimize(audioLevel(buffer));
}
BENCHMARK(AudioLevelOf1024Frames<float, SampleFormat::Float32>)->Name("AudioLevelOf1024Frames/float32");
BENCHMARK(AudioLevelOf1024Frames<int16_t, SampleFormat::Int16>)->Name("AudioLevelOf1024Frames/int16");

} // namespace

BENCHMARK_MAIN();
