#include "speech/anchored_transcript.h"

#include "speech/script_aligner.h"

namespace tandrel {

namespace {

bool matches(const QList<Token> &tokens, qint64 t, const QString &spoken)
{
    return ScriptAligner::wordsMatch(tokens[t].normalized, spoken);
}

// The nearest token in [from, to) that `spoken` matches, or -1.
qint64 nearestMatch(const QList<Token> &tokens, qint64 from, qint64 to, const QString &spoken)
{
    to = std::min<qint64>(to, tokens.size());
    for (qint64 t = from; t < to; ++t) {
        if (matches(tokens, t, spoken))
            return t;
    }
    return -1;
}

// Whether the spoken words from `i` on follow the script from token `t` on
// for at least `length` words that have `letters` letters together.
bool runFrom(const QList<Token> &tokens, const QStringList &spoken, qsizetype i, qint64 t, int length,
             const AnchorRules &rules)
{
    qsizetype letters = spoken[i].size();
    for (int k = 1; k < length || letters < rules.runLetters; ++k) {
        if (i + k >= spoken.size())
            return false;
        t = nearestMatch(tokens, t + 1, t + 1 + rules.runGap, spoken[i + k]);
        if (t < 0)
            return false;
        letters += spoken[i + k].size();
    }
    return true;
}

} // namespace

qint64 anchoredPosition(const QList<Token> &tokens, const QStringList &spoken, const AnchorRules &rules)
{
    const qint64 count = tokens.size();
    qint64 position = 0;
    int misses = 0;
    for (qsizetype i = 0; i < spoken.size() && position < count; ++i) {
        const QString &word = spoken[i];
        if (misses < rules.missesToLeave) {
            const int reach = word.size() < 4 ? rules.shortReach : rules.reach;
            if (qint64 t = nearestMatch(tokens, position, position + reach, word); t >= 0) {
                position = t + 1;
                misses = 0;
                continue;
            }
        }
        qint64 anchor = -1;
        for (qint64 t = position; t < count && anchor < 0; ++t) {
            const int length
                    = t - position < ScriptAligner::alignmentWindow ? rules.runLength : rules.farRunLength;
            if (matches(tokens, t, word) && runFrom(tokens, spoken, i, t, length, rules))
                anchor = t;
        }
        if (anchor >= 0) {
            position = anchor + 1;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return position;
}

QString anchoredTranscript(const QList<Token> &tokens, const QString &transcript, const AnchorRules &rules)
{
    const qint64 position = anchoredPosition(tokens, ScriptAligner::spokenWords(transcript), rules);
    QStringList words;
    words.reserve(position);
    for (qint64 t = 0; t < position; ++t)
        words.append(tokens[t].normalized);
    return words.join(QLatin1Char(' '));
}

} // namespace tandrel
