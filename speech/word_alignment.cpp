#include "speech/word_alignment.h"

#include "media/audio_level.h"
#include "media/speech_activity_tracker.h"
#include "speech/script_aligner.h"
#include "speech/sphinx_decoder.h"

#include <QSet>
#include <algorithm>
#include <ctime>
#include <vector>

namespace tandrel {

namespace {

constexpr int SampleRate = 16000;
constexpr double FramesPerSecond = 100; // PocketSphinx's default frame rate
constexpr double Padding = 0.3; // around each stretch of speech, so that no word is cut

double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The stretches of the take to decode as utterances: its speech as the
// recorder measures it, padded and joined where they nearly touch.
QList<SpeechInterval> utterances(const WavAudio &audio)
{
    SpeechActivityTracker tracker;
    const qint64 step = SampleRate / 50;
    double latest = 0;
    for (qint64 first = 0; first < audio.frames; first += step) {
        const AudioBuffer buffer = audio.slice(first, step);
        if (const std::optional<float> level = audioLevel(buffer)) {
            tracker.process(*level, buffer.time);
            latest = buffer.time;
        }
    }
    QList<SpeechInterval> joined;
    for (SpeechInterval s : tracker.finish(audio.duration(), latest)) {
        s.start = std::max(0.0, s.start - Padding);
        s.end = std::min(audio.duration(), s.end + Padding);
        if (!joined.isEmpty() && s.start <= joined.last().end + 0.2)
            joined.last().end = std::max(joined.last().end, s.end);
        else
            joined.append(s);
    }
    return joined;
}

bool isFiller(const QString &word)
{
    return word.isEmpty() || word.startsWith(QLatin1Char('<')) || word.startsWith(QLatin1Char('['))
            || word == QLatin1String("(NULL)");
}

} // namespace

ScriptCoverage scriptCoverage(const QList<WordTime> &words, const QString &script)
{
    return scriptCoverage(words, *ScriptDocument::make(script));
}

ScriptCoverage scriptCoverage(const QList<WordTime> &words, const ScriptDocument &script)
{
    const QList<Token> &tokens = script.tokens();
    ScriptCoverage coverage;
    if (tokens.isEmpty())
        return coverage;
    QSet<qint64> said;
    for (const WordTime &w : words)
        said.insert(w.index);
    coverage.share = double(said.size()) / double(tokens.size());
    QStringList sentence;
    bool anySaid = false;
    for (const Token &t : tokens) {
        sentence << t.raw;
        anySaid = anySaid || said.contains(t.index);
        const QChar last = t.raw.isEmpty() ? QChar() : t.raw.back();
        if (QStringLiteral(".!?…").contains(last) || t.index + 1 == tokens.size()) {
            if (!anySaid)
                coverage.skippedSentences << sentence.join(QLatin1Char(' '));
            sentence.clear();
            anySaid = false;
        }
    }
    return coverage;
}

QList<WordTime> lineUpWords(const QString &script, const QList<HeardWord> &heard)
{
    const QList<Token> tokens = ScriptAligner::tokenize(script);
    const qsizetype n = tokens.size(), m = heard.size();
    if (n == 0 || m == 0)
        return {};
    // The longest common subsequence under the aligner's tolerant word match.
    std::vector<int> score(size_t((n + 1) * (m + 1)), 0);
    auto at = [&](qsizetype i, qsizetype j) -> int & { return score[size_t(i * (m + 1) + j)]; };
    auto matches = [&](qsizetype i, qsizetype j) {
        return ScriptAligner::wordsMatch(tokens[i].normalized, heard[j].word);
    };
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            int best = std::max(at(i - 1, j), at(i, j - 1));
            if (matches(i - 1, j - 1))
                best = std::max(best, at(i - 1, j - 1) + 1);
            at(i, j) = best;
        }
    }
    QList<std::pair<qsizetype, qsizetype>> pairs; // token, heard word
    for (qsizetype i = n, j = m; i > 0 && j > 0;) {
        if (matches(i - 1, j - 1) && at(i, j) == at(i - 1, j - 1) + 1) {
            pairs.prepend({i - 1, j - 1});
            --i;
            --j;
        } else if (at(i - 1, j) >= at(i, j - 1)) {
            --i;
        } else {
            --j;
        }
    }
    if (pairs.isEmpty())
        return {};

    // The reader's pace, for how long the words between two matches take.
    double spokenSeconds = 0, spokenChars = 0;
    for (const auto &[t, h] : pairs) {
        spokenSeconds += heard[h].end - heard[h].start;
        spokenChars += tokens[t].normalized.size();
    }
    const double secondsPerChar = spokenChars > 0 ? spokenSeconds / spokenChars : 0.07;

    QList<WordTime> words;
    auto timed = [&](qsizetype t, double start, double end) {
        words.append(WordTime{start, end, tokens[t].index, tokens[t].raw});
    };
    for (qsizetype k = 0; k < pairs.size(); ++k) {
        const auto [t, h] = pairs[k];
        timed(t, heard[h].start, heard[h].end);
        if (k + 1 == pairs.size())
            break;
        const auto [nextT, nextH] = pairs[k + 1];
        const qsizetype gap = nextT - t - 1;
        if (gap == 0)
            continue;
        const double from = heard[h].end, to = heard[nextH].start;
        double chars = 0;
        for (qsizetype g = t + 1; g < nextT; ++g)
            chars += tokens[g].normalized.size() + 1;
        // Misheard words came out as other words, or were swallowed by their
        // neighbours when short; a skipped stretch has no time of its own.
        const bool heardSomething = nextH - h > 1 || gap <= 2;
        if (!heardSomething || to - from < 0.4 * chars * secondsPerChar)
            continue;
        double start = from;
        for (qsizetype g = t + 1; g < nextT; ++g) {
            const double end = start + (to - from) * (tokens[g].normalized.size() + 1) / chars;
            timed(g, start, end);
            start = end;
        }
    }
    return words;
}

Result<WordAlignment, SpeechProblem> alignScriptWords(const WavAudio &audio, const QString &script,
                                                      const SphinxModel &model, const QString &language,
                                                      const std::atomic<bool> *cancelled,
                                                      const std::function<void(double)> &progress)
{
    using R = Result<WordAlignment, SpeechProblem>;
    if (audio.format != AudioFormat{SampleRate, 1, SampleFormat::Int16})
        return R::failure({.kind = SpeechProblem::Kind::notMono16k});
    SphinxOptions options{model, script, SpeechBiasMode::ScriptNgram, {}, {}, language};
    SpeechProblem error;
    // Every frame is decoded: word frames are then take times.
    const Decoder ps
            = loadSphinxDecoder(options, &error, {QStringLiteral("-remove_silence"), QStringLiteral("no")});
    if (!ps)
        return R::failure(error);

    WordAlignment result;
    result.audioSeconds = audio.duration();
    const double began = threadSeconds();
    QList<HeardWord> heard;
    quint32 noise = 1;
    for (const SpeechInterval &utterance : utterances(audio)) {
        if (cancelled && cancelled->load())
            return R::failure({.kind = SpeechProblem::Kind::cancelled});
        const qint64 first = qint64(utterance.start * SampleRate);
        const qint64 count = std::min<qint64>(audio.frames, qint64(utterance.end * SampleRate)) - first;
        if (count <= 0)
            continue;
        QByteArray samples = audio.data.mid(first * 2, count * 2);
        addNoiseFloor(reinterpret_cast<int16 *>(samples.data()), size_t(count), options.noiseFloor, noise);
        if (ps_start_utt(ps.get()) < 0
            || ps_process_raw(ps.get(), reinterpret_cast<const int16 *>(samples.constData()), size_t(count),
                              FALSE, TRUE)
                    < 0
            || ps_end_utt(ps.get()) < 0)
            return R::failure({.kind = SpeechProblem::Kind::audioNotProcessed, .seconds = utterance.start});
        const double offset = double(first) / SampleRate;
        if (progress && result.audioSeconds > 0)
            progress(std::min(1.0, utterance.end / result.audioSeconds));
        for (ps_seg_t *seg = ps_seg_iter(ps.get()); seg; seg = ps_seg_next(seg)) {
            const QString word = cleanHypothesis(ps_seg_word(seg));
            if (isFiller(word))
                continue;
            int startFrame = 0, endFrame = 0;
            ps_seg_frames(seg, &startFrame, &endFrame);
            const QStringList normalized = ScriptAligner::spokenWords(word);
            for (const QString &w : normalized)
                heard.append({w, offset + startFrame / FramesPerSecond,
                              offset + (endFrame + 1) / FramesPerSecond});
        }
    }
    result.decodeSeconds = threadSeconds() - began;
    result.words = lineUpWords(script, heard);
    return result;
}

} // namespace tandrel
