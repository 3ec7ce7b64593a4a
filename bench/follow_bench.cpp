// Speech following on the English acoustic model (the one every machine has),
// measured on espeak-ng readings of English and German scripts: how far
// the reading position gets, how long after a word is spoken the position
// passes it, how exactly the recogniser hears the reading, how much of real
// time it needs, and how far speech that is not the script (chatter, a
// monologue, a repeated sentence), silence, noise and music move it. Each
// script is read as written, with a sentence left out and an ad-lib, after
// chatter, with a paragraph skipped, with a sentence repeated, and as written
// in a reverberant room with noise 20 dB below the speech.
//
//   follow_bench [--realtime] [--raw] [--bias ngram|alone|general|chunks|all]
//                [--script NAME] [--reading LABEL] [--language en|de] [--english-rules]
//
// --raw aligns the recogniser's transcript as it comes, without the anchor
// rules the follower applies; --bias alone uses a model of the script
// without the language's frequent words. Together they measure the
// follower as it was before either. "offmove" is the furthest an off-script
// stretch (or the whole sound, where there is no script) moved the shown
// position, as a share of the script; "back" counts the shown position's
// steps backwards.
//
// espeak-ng reports when each word starts; a word is taken to end where the
// next one starts, so the pause after it counts as part of it. A negative
// delay therefore means the shown position passed the word before the next
// one began (pending text names a word while it is still being spoken);
// "early" is the share of passed words the position passed more than half a
// second before they began. --english-rules pronounces every script by
// English rules, as the follower did before it knew a script's language.
// FOLLOW_BENCH_NOISE sets the recogniser's noise floor (RMS in 16-bit units,
// 0 for none), FOLLOW_BENCH_DECODER adds decoder options ("-lw 10 -wip 0.2"),
// FOLLOW_BENCH_BACKGROUND sets the background vocabulary ("1000 0.2");
// FOLLOW_BENCH_ANCHOR gives anchor rule sets to compare, separated by ";"
// ("reach shortReach missesToLeave startReach runLength runGap farRunLength
// runLetters recentWords nearLetters");
// FOLLOW_BENCH_TRACE prints every result and every word's pass on stderr.

#include "bench/follow_cases.h"
#include "speech/anchored_transcript.h"
#include "speech/script_aligner.h"
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
#include <optional>

using namespace tandrel;
using namespace tandrel::bench;

namespace {

// Decoder options to try, from the environment ("-lw 10 -beam 1e-60").
QStringList decoderArguments()
{
    return qEnvironmentVariable("FOLLOW_BENCH_DECODER").split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The background vocabulary to try, from the environment ("1000 0.2").
SpeechBackground background()
{
    SpeechBackground b;
    const QStringList v
            = qEnvironmentVariable("FOLLOW_BENCH_BACKGROUND").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (v.size() == 2)
        b = {v[0].toInt(), v[1].toDouble()};
    return b;
}

struct TimedResult
{
    double time = 0; // seconds of audio heard when the result came
    QString text;
    bool final = false;
};

struct Figures
{
    double wer = 0;
    double reached = 0; // share of script tokens the cursor reached at the end
    double spokenPassed = 0; // share of spoken script words the shown position passed
    double medianDelay = 0;
    double p90Delay = 0;
    double early = 0; // share of passed words shown read more than 0.5 s before they began
    double offScriptMove = 0; // share of the script an off-script stretch moved the shown position
    int backwardSteps = 0; // times the shown position went back
    double rtf = 0;
    double load = 0;
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
QList<TimedResult> recognise(const Reading &reading, const QString &script, const QString &language,
                             SpeechBiasMode bias, bool realtime, double *rtf, double *loadSeconds)
{
    std::mutex mutex;
    std::condition_variable wake;
    bool loaded = false, finished = false;
    SpeechProblem loadError;
    QList<TimedResult> results;
    QElapsedTimer clock;

    auto stream = std::make_shared<SpeechInputStream>();
    std::unique_ptr<SphinxRecognizer> recognizer;
    SphinxCallbacks callbacks;
    callbacks.loaded = [&](const SpeechProblem &error) {
        std::lock_guard lock(mutex);
        loaded = true;
        loadError = error;
        wake.notify_all();
    };
    callbacks.result = [&](const QString &text, bool final, double audioTime) {
        const double t = realtime ? clock.nsecsElapsed() / 1e9 : audioTime;
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
    // Always the English model: the one every machine has.
    SphinxOptions options{*chooseSphinxModel(installedSphinxModels(sphinxModelRoots()), "en-US"),
                          script,
                          bias,
                          background(),
                          decoderArguments(),
                          language};
    if (qEnvironmentVariableIsSet("FOLLOW_BENCH_NOISE"))
        options.noiseFloor = qEnvironmentVariable("FOLLOW_BENCH_NOISE").toDouble();
    recognizer = SphinxRecognizer::start(options, stream, callbacks);
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return loaded; });
    }
    *loadSeconds = loadClock.nsecsElapsed() / 1e9;
    if (loadError.kind != SpeechProblem::Kind::none) {
        std::fprintf(stderr, "model: failed (%d) %s\n", int(loadError.kind), qPrintable(loadError.path));
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
        const double decodedBefore = recognizer->decodeSeconds();
        sink.append(buffer);
        // As fast as decoded, but one buffer at a time, as a microphone
        // gives them to a recogniser that keeps up: a backlog would make it
        // ask for hypotheses less often than it does live.
        if (!realtime) {
            QElapsedTimer waited;
            waited.start();
            while ((stream->pending() > 0 || recognizer->decodeSeconds() == decodedBefore)
                   && waited.elapsed() < 2000)
                QThread::usleep(100);
        }
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

// The script token each spoken word stands for, or -1.
QList<qsizetype> scriptTokenOfSpokenWords(const Reading &reading, const QList<Token> &scriptTokens)
{
    QHash<qsizetype, qsizetype> byOffset;
    for (const Token &t : scriptTokens)
        byOffset.insert(qsizetype(t.offset), qsizetype(t.index));
    QList<qsizetype> result;
    for (const SpokenWord &w : reading.speech.words) {
        qsizetype start = 0, found = -1;
        for (const Segment &seg : reading.segments) {
            if (w.offset >= start && w.offset < start + seg.text.size()) {
                if (seg.scriptOffset >= 0)
                    found = byOffset.value(seg.scriptOffset + (w.offset - start), -1);
                break;
            }
            start += seg.text.size();
        }
        result.append(found);
    }
    return result;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[qsizetype(std::min<double>(values.size() - 1, std::floor(p * (values.size() - 1) + 0.5)))];
}

// Replays the results into an aligner as the follower joins them and
// measures how the shown reading position (cursor + lookahead) kept up.
// The follower's anchor rules, or others from the environment
// (FOLLOW_BENCH_ANCHOR="reach shortReach missesToLeave runLength runGap farRunLength").
QList<AnchorRules> anchorRuleSets()
{
    QList<AnchorRules> sets;
    for (const QString &set :
         qEnvironmentVariable("FOLLOW_BENCH_ANCHOR").split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList v = set.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (v.size() == 10)
            sets.append({v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt(), v[4].toInt(), v[5].toInt(),
                         v[6].toInt(), v[7].toInt(), v[8].toInt(), v[9].toInt()});
    }
    if (sets.isEmpty())
        sets.append(AnchorRules{});
    return sets;
}

void measureFollowing(const Reading &reading, const QString &script, const QList<TimedResult> &results,
                      const std::optional<AnchorRules> &anchor, Figures &f)
{
    ScriptAligner aligner;
    aligner.replaceScript(script);
    const QList<Token> &tokens = aligner.tokens();
    QList<double> reachedAt(tokens.size(), -1);
    QString committed, volatileText;
    QList<std::pair<double, qint64>> timeline{{0.0, 0}}; // when the shown position changed, and to what
    for (const TimedResult &r : results) {
        const QString text = r.text.trimmed();
        if (r.final) {
            committed = (committed + QLatin1Char(' ') + text).trimmed();
            volatileText.clear();
        } else if (!text.isEmpty()) {
            volatileText = text;
        }
        QStringList parts;
        for (const QString &p : {committed, volatileText})
            if (!p.isEmpty())
                parts << p;
        const QString transcript = parts.join(QLatin1Char(' '));
        aligner.ingest(anchor ? anchoredTranscript(tokens, transcript, *anchor) : transcript, r.final);
        if (qEnvironmentVariableIsSet("FOLLOW_BENCH_TRACE"))
            std::fprintf(stderr, "%.2f %s %lld+%lld %s\n", r.time, r.final ? "final" : "pending",
                         aligner.cursor(), aligner.lookahead(), qPrintable(text));
        // A word counts as passed from the moment the shown position moved
        // beyond it for good; a spike ahead that falls back is not a pass.
        const qint64 shown = std::min<qint64>(aligner.cursor() + aligner.lookahead(), tokens.size());
        if (shown < timeline.last().second)
            ++f.backwardSteps;
        if (shown != timeline.last().second)
            timeline.append({r.time, shown});
        for (qint64 k = 0; k < shown; ++k)
            if (reachedAt[k] < 0)
                reachedAt[k] = r.time;
        for (qint64 k = shown; k < tokens.size(); ++k)
            reachedAt[k] = -1;
    }
    f.reached = tokens.isEmpty() ? 0 : double(aligner.cursor()) / tokens.size();
    // An off-script stretch is judged until a quarter second after its last
    // word, the time a result about that word takes to come.
    for (const auto &[from, to] : reading.offScript) {
        qint64 before = 0, highest = 0;
        for (const auto &[time, shown] : timeline) {
            if (time <= from)
                before = shown;
            else if (time <= to + 0.25)
                highest = std::max(highest, shown);
        }
        if (!tokens.isEmpty())
            f.offScriptMove = std::max(f.offScriptMove,
                                       double(std::max<qint64>(0, highest - before)) / tokens.size());
    }

    const QList<qsizetype> tokenOf = scriptTokenOfSpokenWords(reading, tokens);
    QList<double> delays;
    int spoken = 0, passed = 0, early = 0;
    for (qsizetype i = 0; i < tokenOf.size(); ++i) {
        if (tokenOf[i] < 0)
            continue;
        ++spoken;
        if (reachedAt[tokenOf[i]] >= 0) {
            ++passed;
            delays.append(reachedAt[tokenOf[i]] - reading.speech.words[i].end);
            if (reachedAt[tokenOf[i]] < reading.speech.words[i].start - 0.5)
                ++early;
            if (qEnvironmentVariableIsSet("FOLLOW_BENCH_TRACE"))
                std::fprintf(stderr, "%s -> %s end %.2f reached %.2f\n",
                             qPrintable(reading.spoken.mid(reading.speech.words[i].offset,
                                                           reading.speech.words[i].length)),
                             qPrintable(tokens[tokenOf[i]].raw), reading.speech.words[i].end,
                             reachedAt[tokenOf[i]]);
        }
    }
    f.spokenPassed = spoken ? double(passed) / spoken : 0;
    f.early = passed ? double(early) / passed : 0;
    f.medianDelay = percentile(delays, 0.5);
    f.p90Delay = percentile(delays, 0.9);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool realtime = args.contains(QStringLiteral("--realtime"));
    // --raw aligns the recogniser's transcript as it is, without the anchor rules.
    const bool anchored = !args.contains(QStringLiteral("--raw"));
    // The follower's own bias unless asked for another or for all of them.
    QString biasName = QStringLiteral("ngram"), only;
    if (int i = args.indexOf(QStringLiteral("--bias")); i >= 0 && i + 1 < args.size())
        biasName = args[i + 1];
    if (int i = args.indexOf(QStringLiteral("--script")); i >= 0 && i + 1 < args.size())
        only = args[i + 1];
    QString onlyReading, onlyLanguage;
    if (int i = args.indexOf(QStringLiteral("--reading")); i >= 0 && i + 1 < args.size())
        onlyReading = args[i + 1];
    if (int i = args.indexOf(QStringLiteral("--language")); i >= 0 && i + 1 < args.size())
        onlyLanguage = args[i + 1];
    // Every script pronounced as English: how scripts were heard before the
    // follower knew their language.
    const bool englishRules = args.contains(QStringLiteral("--english-rules"));

    const struct
    {
        const char *name;
        SpeechBiasMode mode;
    } biases[] = {{"general", SpeechBiasMode::GeneralModel},
                  {"ngram", SpeechBiasMode::ScriptNgram},
                  {"alone", SpeechBiasMode::ScriptNgramAlone},
                  {"chunks", SpeechBiasMode::ChunkGrammar}};

    std::printf("%s, %s\n", realtime ? "real time" : "as fast as decoded (times are audio times)",
                "delay: from the end of a spoken word until the shown position passes it");
    std::printf("%-9s %-8s %-8s %6s %8s %8s %7s %7s %6s %7s %5s %6s %6s\n", "script", "reading", "bias", "WER",
                "reached", "passed", "median", "p90", "early", "offmove", "back", "RTF", "load");
    for (const FollowScript &s : followScripts) {
        if ((!only.isEmpty() && only != QLatin1String(s.name))
            || (!onlyLanguage.isEmpty() && onlyLanguage != QLatin1String(s.language)))
            continue;
        const QString script = QString::fromUtf8(s.text);
        Result<QList<Reading>> readings = followReadings(s, onlyReading);
        if (!readings) {
            std::fprintf(stderr, "%s\n", qPrintable(readings.error()));
            return 1;
        }
        for (const Reading &reading : std::as_const(*readings)) {
            for (const auto &b : biases) {
                if (biasName != QLatin1String("all") && biasName != QLatin1String(b.name))
                    continue;
                Figures recognised;
                const QString language = englishRules ? QStringLiteral("en") : QLatin1String(s.language);
                QList<TimedResult> results = recognise(reading, script, language, b.mode,
                                                       realtime, &recognised.rtf, &recognised.load);
                recognised.wer
                        = wordErrorRate(plainWords(reading.spoken), plainWords(finalTranscript(results)));
                QList<std::optional<AnchorRules>> rules;
                if (anchored) {
                    for (const AnchorRules &r : anchorRuleSets())
                        rules.append(r);
                } else {
                    rules.append(std::nullopt);
                }
                for (qsizetype k = 0; k < rules.size(); ++k) {
                    Figures f = recognised;
                    measureFollowing(reading, script, results, rules[k], f);
                    const QString label = rules.size() > 1
                            ? QStringLiteral("%1/%2").arg(QLatin1String(b.name)).arg(k)
                            : QLatin1String(b.name);
                    std::printf("%-9s %-8s %-8s %5.1f%% %7.1f%% %7.1f%% %6.2fs %6.2fs %5.1f%% %6.1f%% %5d %6.3f "
                                "%5.2fs\n",
                                s.name, qPrintable(reading.label), qPrintable(label), f.wer * 100, f.reached * 100,
                                f.spokenPassed * 100, f.medianDelay, f.p90Delay, f.early * 100,
                                f.offScriptMove * 100, f.backwardSteps, f.rtf, f.load);
                    std::fflush(stdout);
                }
            }
        }
    }
    return 0;
}
