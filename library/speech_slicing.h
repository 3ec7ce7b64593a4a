#pragma once

#include "library/speech_slice.h"
#include "media/speech_interval.h"

#include <QList>

namespace tandrel {

// The frame rate of every timeline a take is laid on: the exports and the
// take list's speech strip.
constexpr int timelineFrameRate = 30;

// A take cut at its cleaned speech intervals into slices that cover
// [0, frames) without gaps.
QList<SpeechSlice> speechSlices(const QList<SpeechInterval> &intervals, double duration,
                                int rate = timelineFrameRate);
// Negative times made 0, too short intervals dropped, sorted by start,
// intervals at most 0.08 s apart merged.
QList<SpeechInterval> cleanIntervals(const QList<SpeechInterval> &intervals);
// Frames of a take: its duration on the grid, halves away from zero, at least 1.
qint64 frameCount(double duration, int rate = timelineFrameRate);

} // namespace tandrel
