#include "speech/anchored_transcript.h"

#include "speech/script_aligner.h"

#include <QHash>

#include <limits>

namespace tandrel {

namespace {

// Word matches between the transcript and the script, each pair of distinct
// words compared once: the search for a run far ahead asks about the same
// pairs again and again.
class Matches
{
public:
    explicit Matches(const QList<Token> &tokens) : m_tokens(tokens)
    {
        m_wordOf.reserve(tokens.size());
        for (const Token &t : tokens) {
            auto it = m_ids.constFind(t.normalized);
            if (it == m_ids.cend()) {
                it = m_ids.insert(t.normalized, int(m_words.size()));
                m_words.append(t.normalized);
            }
            m_wordOf.append(*it);
        }
    }

    bool operator()(qint64 t, const QString &spoken)
    {
        // Callers ask about one spoken word for many tokens in a row.
        if (&spoken != m_lastSpoken) {
            m_lastSpoken = &spoken;
            m_row = &m_known[spoken];
            if (m_row->isEmpty())
                m_row->fill(-1, m_words.size());
        }
        qint8 &known = (*m_row)[m_wordOf[t]];
        if (known < 0)
            known = ScriptAligner::wordsMatch(m_words[m_wordOf[t]], spoken) ? 1 : 0;
        return known == 1;
    }

    qint64 count() const { return m_tokens.size(); }

private:
    const QList<Token> &m_tokens;
    QHash<QString, int> m_ids;
    QStringList m_words; // the distinct normalized words of the script
    QList<int> m_wordOf; // token -> index into m_words
    QHash<QString, QList<qint8>> m_known; // spoken word -> per script word: unknown, no, yes
    const QString *m_lastSpoken = nullptr;
    QList<qint8> *m_row = nullptr;
};

// The nearest token in [from, to) that `spoken` matches, or -1.
qint64 nearestMatch(Matches &matches, qint64 from, qint64 to, const QString &spoken)
{
    to = std::min<qint64>(to, matches.count());
    for (qint64 t = from; t < to; ++t) {
        if (matches(t, spoken))
            return t;
    }
    return -1;
}

// Whether the spoken words from `i` on follow the script from token `t` on
// for at least `length` words that have `letters` letters together.
bool runFrom(Matches &matches, const QStringList &spoken, qsizetype i, qint64 t, int length,
             const AnchorRules &rules)
{
    qsizetype letters = spoken[i].size();
    for (int k = 1; k < length || letters < rules.runLetters; ++k) {
        if (i + k >= spoken.size())
            return false;
        t = nearestMatch(matches, t + 1, t + 1 + rules.runGap, spoken[i + k]);
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
    Matches matches(tokens);
    qint64 position = 0;
    int misses = 0;
    int sinceOnScript = std::numeric_limits<int>::max() / 2; // spoken words since one followed the script
    for (qsizetype i = 0; i < spoken.size() && position < count; ++i, ++sinceOnScript) {
        const QString &word = spoken[i];
        if (misses < rules.missesToLeave) {
            // Before the reading has begun, a single word starts it only on
            // the script's first words: chatter shares common words with them.
            const int reach = position == 0 ? rules.startReach
                    : word.size() < 4       ? rules.shortReach
                                            : rules.reach;
            if (qint64 t = nearestMatch(matches, position, position + reach, word); t >= 0) {
                position = t + 1;
                misses = 0;
                sinceOnScript = -1;
                continue;
            }
        } else if (sinceOnScript <= rules.recentWords && word.size() >= rules.nearLetters) {
            if (qint64 t = nearestMatch(matches, position, position + misses + rules.reach, word); t >= 0) {
                position = t + 1;
                misses = 0;
                sinceOnScript = -1;
                continue;
            }
        }
        qint64 anchor = -1;
        for (qint64 t = position; t < count && anchor < 0; ++t) {
            const int length
                    = t - position < ScriptAligner::alignmentWindow ? rules.runLength : rules.farRunLength;
            if (matches(t, word) && runFrom(matches, spoken, i, t, length, rules))
                anchor = t;
        }
        if (anchor >= 0) {
            position = anchor + 1;
            misses = 0;
            sinceOnScript = -1;
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
