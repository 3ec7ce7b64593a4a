// Speech following, measured on espeak-ng readings of English scripts: how far
// the reading position gets, how long after a word is spoken the position
// passes it, how exactly the recogniser hears the reading, and how much of
// real time it needs. Each script is read as written and once with a
// sentence left out and a few words of the reader's own.
//
//   follow_bench [--realtime] [--bias general|ngram|chunks|all] [--script NAME]

#include "bench/espeak_reading.h"
#include "bench/follow_scripts.h"
#include "speech/speech_audio_sink.h"
#include "speech/sphinx_recognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace tandrel;
using namespace tandrel::bench;

namespace {

// Decoder options to try, from the environment ("-lw 10 -beam 1e-60").
QStringList decoderArguments()
{
    return qEnvironmentVariable("FOLLOW_BENCH_DECODER").split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

struct TimedResult
{
    double time = 0; // seconds of audio heard when the result came
    QString text;
    bool final = false;
};

struct Reading
{
    QString label;
    QString spoken;
    EspeakReading speech;
};

QStringList plainWords(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[0-9\\p{L}]+(?:['’\\-][0-9\\p{L}]+)*"));
    QStringList words;
    auto it = word.globalMatch(text);
    while (it.hasNext())
        words.append(it.next().captured().toLower().replace(QChar(0x2019), QLatin1Char('\'')));
    return words;
}

double wordErrorRate(const QStringList &reference, const QStringList &heard)
{
    QList<int> previous(heard.size() + 1), current(heard.size() + 1);
    for (int j = 0; j <= heard.size(); ++j)
        previous[j] = j;
    for (int i = 1; i <= reference.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= heard.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1,
                    previous[j - 1] + (reference[i - 1] == heard[j - 1] ? 0 : 1)});
        std::swap(previous, current);
    }
    return reference.isEmpty() ? 0 : double(previous[heard.size()]) / reference.size();
}

// Plays the reading through the sink into a recogniser, in real time or as
// fast as it decodes; returns every result with the audio time it came at.
QList<TimedResult> recognise(const Reading &reading, const QString &script, SpeechBiasMode bias, bool realtime,
        double *rtf, double *loadSeconds)
{
    std::mutex mutex;
    std::condition_variable wake;
    bool loaded = false, finished = false;
    QString loadError;
    QList<TimedResult> results;
    QElapsedTimer clock;

    auto stream = std::make_shared<SpeechInputStream>();
    std::shared_ptr<SphinxRecognizer> recognizer;
    SphinxCallbacks callbacks;
    callbacks.loaded = [&](const QString &error) {
        std::lock_guard lock(mutex);
        loaded = true;
        loadError = error;
        wake.notify_all();
    };
    callbacks.result = [&](const QString &text, bool final, double) {
        double t = realtime ? clock.nsecsElapsed() / 1e9 : recognizer->audioSeconds();
        std::lock_guard lock(mutex);
        results.append({t, text, final});
    };
    callbacks.finished = [&] {
        std::lock_guard lock(mutex);
        finished = true;
        wake.notify_all();
    };
    QElapsedTimer loadClock;
    loadClock.start();
    recognizer = SphinxRecognizer::start({*chooseSphinxModel(installedSphinxModels(defaultSphinxModelRoot()), "en-US"),
                                                 script, bias, decoderArguments()},
            stream, callbacks);
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return loaded; });
    }
    *loadSeconds = loadClock.nsecsElapsed() / 1e9;
    if (!loadError.isEmpty()) {
        std::fprintf(stderr, "model: %s\n", qPrintable(loadError));
        return {};
    }
    SpeechAudioSink sink;
    sink.prepareAnalyzer(SphinxRecognizer::inputFormat(), stream);
    const qint64 step = reading.speech.audio.format.sampleRate / 50; // 20 ms buffers, as a microphone gives
    clock.start();
    for (qint64 first = 0; first < reading.speech.audio.frames; first += step) {
        AudioBuffer buffer = reading.speech.audio.slice(first, step);
        if (realtime) {
            qint64 due = qint64(buffer.time * 1e9) - clock.nsecsElapsed();
            if (due > 0)
                QThread::usleep(due / 1000);
        }
        sink.append(buffer);
    }
    // A second of silence, as a speaker pausing at the end.
    const AudioFormat format = reading.speech.audio.format;
    for (int i = 0; i < 50; ++i) {
        sink.append(AudioBuffer{format, QByteArray(step * format.bytesPerFrame(), 0), step,
                reading.speech.audio.duration() + i * 0.02});
        if (realtime)
            QThread::usleep(20000);
    }
    sink.reset();
    std::unique_lock lock(mutex);
    wake.wait(lock, [&] { return finished; });
    *rtf = recognizer->decodeSeconds() / std::max(1e-9, recognizer->audioSeconds());
    return results;
}

QString finalTranscript(const QList<TimedResult> &results)
{
    QStringList committed;
    for (const TimedResult &r : results) {
        if (r.final && !r.text.isEmpty())
            committed.append(r.text);
    }
    return committed.join(QLatin1Char(' '));
}

QString offScriptReading(const FollowScript &s)
{
    QString text = QString::fromUtf8(s.text);
    text.remove(QString::fromUtf8(s.skippedSentence) + QLatin1Char(' '));
    const QString anchor = QString::fromUtf8(s.adLibAfter);
    text.replace(anchor, QString::fromUtf8(s.adLib) + QStringLiteral(". ") + anchor);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool realtime = args.contains(QStringLiteral("--realtime"));
    QString biasName = QStringLiteral("all"), only;
    if (int i = args.indexOf(QStringLiteral("--bias")); i >= 0 && i + 1 < args.size())
        biasName = args[i + 1];
    if (int i = args.indexOf(QStringLiteral("--script")); i >= 0 && i + 1 < args.size())
        only = args[i + 1];

    const struct { const char *name; SpeechBiasMode mode; } biases[] = {
        {"general", SpeechBiasMode::GeneralModel}, {"ngram", SpeechBiasMode::ScriptNgram},
        {"chunks", SpeechBiasMode::ChunkGrammar}};

    std::printf("%-8s %-7s %-8s %6s %6s %6s\n", "script", "reading", "bias", "WER", "RTF", "load");
    for (const FollowScript &s : followScripts) {
        if (!only.isEmpty() && only != QLatin1String(s.name))
            continue;
        const QString script = QString::fromUtf8(s.text);
        for (const QString &spoken : {script, offScriptReading(s)}) {
            Reading reading;
            reading.label = spoken == script ? QStringLiteral("exact") : QStringLiteral("off");
            reading.spoken = spoken;
            Result<EspeakReading> speech = speakWithEspeak(spoken);
            if (!speech) {
                std::fprintf(stderr, "%s\n", qPrintable(speech.error()));
                return 1;
            }
            reading.speech = *speech;
            for (const auto &b : biases) {
                if (biasName != QLatin1String("all") && biasName != QLatin1String(b.name))
                    continue;
                double rtf = 0, load = 0;
                QList<TimedResult> results = recognise(reading, script, b.mode, realtime, &rtf, &load);
                double wer = wordErrorRate(plainWords(spoken), plainWords(finalTranscript(results)));
                std::printf("%-8s %-7s %-8s %5.1f%% %6.3f %5.2fs\n", s.name, qPrintable(reading.label), b.name,
                        wer * 100, rtf, load);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
