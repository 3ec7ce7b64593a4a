#pragma once

#include "speech/espeak_reading.h"
#include "bench/follow_scripts.h"

#include <QList>
#include <QString>

namespace tandrel::bench {

using testing::EspeakReading;
using testing::SpokenWord;
using testing::speakWithEspeak;

// A stretch of the spoken text and where it stands in the script (-1 for
// words that are not the script's: chatter, an ad-lib, a repeated sentence).
struct Segment
{
    QString text;
    qsizetype scriptOffset = -1;
};

// One way of reading a script aloud, and the sound that results.
struct Reading
{
    QString label;
    QList<Segment> segments;
    QString spoken;
    EspeakReading speech;
    // Seconds of audio that hold no script at all (chatter, silence, noise).
    QList<std::pair<double, double>> offScript;
};

// The readings measured for a script, in its language: exact, fast by
// another voice, exact by a third voice, with an ad-lib, an unrelated
// monologue, chatter before the reading, a skipped paragraph, a repeated
// sentence, silence, noise, music, and the exact reading in a reverberant,
// noisy room. `only` picks one by label; empty for all.
Result<QList<Reading>> followReadings(const FollowScript &script, const QString &only = {});

} // namespace tandrel::bench
