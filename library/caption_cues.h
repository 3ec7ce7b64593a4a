#pragma once

#include "library/word_time.h"

#include <QList>
#include <QString>

namespace tandrel {

// One caption: shown from `start` to `end` (seconds into the take), one or
// two lines joined by a line feed, spelled as the script.
struct CaptionCue
{
    double start = 0;
    double end = 0;
    QString text;
    qint64 firstIndex = 0; // the script tokens it shows
    qint64 lastIndex = 0;
    bool operator==(const CaptionCue &) const = default;
};

// How captions are cut for a 9:16 picture.
struct CueRules
{
    int maxLineChars = 32;
    int maxLines = 2;
    double hold = 0.4; // after the last word is said
    double maxPause = 0.7; // a longer pause always ends a cue
    double minDuration = 0.7;
    double maxDuration = 6.0;
    bool operator==(const CueRules &) const = default;
};

// The cues of a take's words: filled up to `maxLines` lines of
// `maxLineChars`, ended after a sentence, else after a comma or before a
// short word rather than inside a phrase, never across a pause longer than
// `maxPause`; each from its first word's start to its last word's end plus
// `hold`, at least `minDuration` and at most `maxDuration` long where the
// words allow, and never overlapping the next.
QList<CaptionCue> captionCues(const QList<WordTime> &words, const CueRules &rules = {});

// "1\n00:00:01,200 --> 00:00:03,000\nText\n\n…"
QString srtText(const QList<CaptionCue> &cues);
// "WEBVTT\n\n00:00:01.200 --> 00:00:03.000\nText\n\n…"
QString webVttText(const QList<CaptionCue> &cues);

} // namespace tandrel
