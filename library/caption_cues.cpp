#include "library/caption_cues.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tandrel {

namespace {

bool endsSentence(const QString &word)
{
    return !word.isEmpty() && QStringLiteral(".!?…").contains(word.back());
}

bool endsClause(const QString &word)
{
    return !word.isEmpty() && QStringLiteral(",;:").contains(word.back());
}

// A word a line or a cue should not end on: an article, a preposition, a
// conjunction ("the", "and", "der", "mit") rather opens the next phrase.
bool isShortJoiner(const QString &word)
{
    return word.size() <= 3 && !endsSentence(word) && !endsClause(word);
}

qsizetype joinedLength(const QList<WordTime> &words, qsizetype from, qsizetype to)
{
    qsizetype length = 0;
    for (qsizetype i = from; i < to; ++i)
        length += words[i].text.size() + (i > from ? 1 : 0);
    return length;
}

QString joined(const QList<WordTime> &words, qsizetype from, qsizetype to)
{
    QStringList parts;
    for (qsizetype i = from; i < to; ++i)
        parts << words[i].text;
    return parts.join(QLatin1Char(' '));
}

// The words [from, to) on one line, or on two as even as can be that break
// after punctuation rather than after a short joining word; none when they
// do not fit.
std::optional<QString> laidOut(const QList<WordTime> &words, qsizetype from, qsizetype to,
                               const CueRules &rules)
{
    if (joinedLength(words, from, to) <= rules.maxLineChars)
        return joined(words, from, to);
    if (rules.maxLines < 2)
        return std::nullopt;
    std::optional<qsizetype> best;
    double bestCost = 0;
    for (qsizetype k = from + 1; k < to; ++k) {
        const qsizetype first = joinedLength(words, from, k), second = joinedLength(words, k, to);
        if (first > rules.maxLineChars || second > rules.maxLineChars)
            continue;
        double cost = std::abs(double(first - second));
        if (endsSentence(words[k - 1].text) || endsClause(words[k - 1].text))
            cost -= 8;
        if (isShortJoiner(words[k - 1].text))
            cost += 6;
        if (!best || cost < bestCost) {
            best = k;
            bestCost = cost;
        }
    }
    if (!best)
        return std::nullopt;
    return joined(words, from, *best) + QLatin1Char('\n') + joined(words, *best, to);
}

struct Span
{
    qsizetype from = 0, to = 0; // words [from, to)
};

// Where a cue that cannot take the next word is best cut: after its last
// clause or sentence in its second half; else, when its sentence ends within
// a few words, where the rest of the sentence fits the next cue and the two
// come out most even; else before a short joining word it would end on;
// else where it is.
qsizetype cutPoint(const QList<WordTime> &words, const Span &cue, const CueRules &rules)
{
    const qsizetype half = cue.from + (cue.to - cue.from + 1) / 2;
    for (qsizetype k = cue.to - 1; k >= half && k > cue.from; --k) {
        if (endsSentence(words[k - 1].text) || endsClause(words[k - 1].text))
            return k;
    }
    constexpr qsizetype tailWords = 3;
    for (qsizetype end = cue.to; end < std::min(words.size(), cue.to + tailWords); ++end) {
        if (end > cue.to && words[end].start - words[end - 1].end > rules.maxPause)
            break;
        if (!endsSentence(words[end].text))
            continue;
        std::optional<qsizetype> best;
        double bestCost = 0;
        for (qsizetype k = cue.from + 1; k < cue.to; ++k) {
            if (words[end].end - words[k].start > rules.maxDuration || !laidOut(words, k, end + 1, rules))
                continue;
            double cost
                    = std::abs(double(joinedLength(words, cue.from, k) - joinedLength(words, k, end + 1)));
            if (isShortJoiner(words[k - 1].text))
                cost += 12;
            if (!best || cost < bestCost) {
                best = k;
                bestCost = cost;
            }
        }
        if (best)
            return *best;
        break;
    }
    if (cue.to - cue.from > 1 && isShortJoiner(words[cue.to - 1].text))
        return cue.to - 1;
    return cue.to;
}

QList<Span> spans(const QList<WordTime> &words, const CueRules &rules)
{
    QList<Span> result;
    Span cue;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (cue.to > cue.from) {
            const WordTime &previous = words[cue.to - 1];
            const double length = previous.end - words[cue.from].start;
            const bool pause = words[i].start - previous.end > rules.maxPause;
            const bool sentence = endsSentence(previous.text) && length >= rules.minDuration;
            if (pause || sentence) {
                result.append(cue);
                cue = {i, i};
            } else if (words[i].end - words[cue.from].start > rules.maxDuration
                       || !laidOut(words, cue.from, i + 1, rules)) {
                const qsizetype cut = cutPoint(words, cue, rules);
                result.append({cue.from, cut});
                cue = {cut, i};
                // What is left over and the new word may still be too much.
                if (cue.to > cue.from && !laidOut(words, cue.from, i + 1, rules)) {
                    result.append(cue);
                    cue = {i, i};
                }
            }
        }
        cue.to = i + 1;
    }
    if (cue.to > cue.from)
        result.append(cue);
    return result;
}

// Cues too short to be read before the next one begins join a neighbour
// where the lines and the longest cue allow.
QList<Span> joinedShortSpans(const QList<WordTime> &words, QList<Span> spans, const CueRules &rules)
{
    auto fits = [&](const Span &a, const Span &b) {
        return words[b.to - 1].end - words[a.from].start <= rules.maxDuration
                && laidOut(words, a.from, b.to, rules);
    };
    for (qsizetype k = 0; k < spans.size();) {
        const bool last = k + 1 == spans.size();
        const double shown
                = last ? rules.minDuration : words[spans[k + 1].from].start - words[spans[k].from].start;
        if (shown >= rules.minDuration) {
            ++k;
        } else if (!last && fits(spans[k], spans[k + 1])) {
            spans[k].to = spans[k + 1].to;
            spans.removeAt(k + 1);
        } else if (k > 0 && fits(spans[k - 1], spans[k])) {
            spans[k - 1].to = spans[k].to;
            spans.removeAt(k);
            --k;
        } else {
            ++k;
        }
    }
    return spans;
}

QString timestamp(double seconds, QChar fractionMark)
{
    const qint64 ms = std::llround(std::max(0.0, seconds) * 1000);
    return QStringLiteral("%1:%2:%3%4%5")
            .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
            .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
            .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
            .arg(fractionMark)
            .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

QList<CaptionCue> captionCues(const QList<WordTime> &words, const CueRules &rules)
{
    QList<CaptionCue> cues;
    for (const Span &span : joinedShortSpans(words, spans(words, rules), rules)) {
        CaptionCue cue;
        cue.start = words[span.from].start;
        cue.end = words[span.to - 1].end;
        // A single word longer than a line stands alone on it.
        cue.text = laidOut(words, span.from, span.to, rules).value_or(joined(words, span.from, span.to));
        cue.firstIndex = words[span.from].index;
        cue.lastIndex = words[span.to - 1].index;
        cues.append(cue);
    }
    for (qsizetype k = 0; k < cues.size(); ++k) {
        CaptionCue &cue = cues[k];
        double end = std::max(cue.end + rules.hold, cue.start + rules.minDuration);
        // A single word said for longer than a cue may last is cut short.
        end = std::min(end, cue.start + rules.maxDuration);
        if (k + 1 < cues.size()) {
            // A short cue that could join no neighbour keeps its least time
            // and the next one waits for it.
            CaptionCue &next = cues[k + 1];
            end = std::min(end, std::max(next.start, cue.start + rules.minDuration));
            next.start = std::max(next.start, end);
            next.end = std::max(next.end, next.start);
        }
        cue.end = end;
    }
    return cues;
}

QString srtText(const QList<CaptionCue> &cues)
{
    QString text;
    for (qsizetype k = 0; k < cues.size(); ++k)
        text += QStringLiteral("%1\n%2 --> %3\n%4\n\n")
                        .arg(k + 1)
                        .arg(timestamp(cues[k].start, u','), timestamp(cues[k].end, u','), cues[k].text);
    return text;
}

QString webVttText(const QList<CaptionCue> &cues)
{
    QString text = QStringLiteral("WEBVTT\n\n");
    for (const CaptionCue &cue : cues)
        text += QStringLiteral("%1 --> %2\n%3\n\n")
                        .arg(timestamp(cue.start, u'.'), timestamp(cue.end, u'.'), cue.text);
    return text;
}

} // namespace tandrel
