#include "library/speech_slicing.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tandrel {

namespace {

constexpr double shortestInterval = 0.001; // also the tolerance of the midpoint test
constexpr double largestMergedGap = 0.08;
// Keeps frames × 100 inside 64 bits whatever a library file claims as duration.
constexpr double mostFrames = 1e15;

// A time in seconds on the frame grid, halves away from zero, clamped to
// [low, high]. Not a number counts as `low`.
qint64 gridFrame(double seconds, int rate, double low, double high)
{
    const double frames = std::round(seconds * rate);
    if (std::isnan(frames))
        return qint64(low);
    return qint64(std::clamp(frames, low, high));
}

double zeroIfNegative(double value)
{
    return (std::isnan(value) || value < 0) ? 0 : value;
}

} // namespace

qint64 frameCount(double duration, int rate)
{
    return gridFrame(duration, rate, 1, mostFrames);
}

QList<SpeechInterval> cleanIntervals(const QList<SpeechInterval> &intervals)
{
    QList<SpeechInterval> kept;
    for (const SpeechInterval &interval : intervals) {
        const SpeechInterval clean{zeroIfNegative(interval.start), zeroIfNegative(interval.end)};
        if (clean.end > clean.start + shortestInterval)
            kept.append(clean);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const SpeechInterval &a, const SpeechInterval &b) { return a.start < b.start; });

    QList<SpeechInterval> merged;
    for (const SpeechInterval &interval : kept) {
        if (!merged.isEmpty() && interval.start <= merged.last().end + largestMergedGap)
            merged.last().end = std::max(merged.last().end, interval.end);
        else
            merged.append(interval);
    }
    return merged;
}

QList<SpeechSlice> speechSlices(const QList<SpeechInterval> &intervals, double duration, int rate)
{
    if (rate < 1)
        rate = timelineFrameRate;
    const qint64 total = frameCount(duration, rate);
    const QList<SpeechInterval> speech = cleanIntervals(intervals);
    if (speech.isEmpty())
        return {SpeechSlice{0, total, false}};

    std::set<qint64> boundaries{0, total};
    for (const SpeechInterval &interval : speech) {
        const qint64 start = gridFrame(interval.start, rate, 0, mostFrames);
        if (start < total)
            boundaries.insert(start);
        const qint64 end = gridFrame(interval.end, rate, 0, mostFrames);
        if (end >= 1)
            boundaries.insert(std::min(end, total));
    }

    QList<SpeechSlice> slices;
    for (auto a = boundaries.begin(), b = std::next(a); b != boundaries.end(); ++a, ++b) {
        const double middle = (double(*a) / rate + double(*b) / rate) * 0.5;
        const bool speaking = std::any_of(speech.begin(), speech.end(), [&](const SpeechInterval &s) {
            return s.start - shortestInterval <= middle && middle < s.end + shortestInterval;
        });
        slices.append(SpeechSlice{*a, *b, speaking});
    }
    return slices;
}

} // namespace tandrel
