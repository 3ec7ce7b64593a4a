#pragma once

#include "speech/token.h"

#include <QList>
#include <QString>

namespace tandrel {

// How sure the follower must be that it hears the script before the reading
// position moves. The values are those that kept chatter, a monologue and an
// ad-lib from moving the position in follow_bench while it still followed
// every reading, English and German, to the end at the speaker's pace.
struct AnchorRules
{
    // While the reader is on the script (fewer than `missesToLeave` words in
    // a row did not continue it), a word continues the reading when it
    // matches one of the next `reach` tokens; a word of fewer than four
    // characters ("the", "and") only one of the next `shortReach`.
    int reach = 4;
    int shortReach = 3;
    int missesToLeave = 2;
    // Before the position has moved at all, a word starts the reading on one
    // of the first `startReach` tokens.
    int startReach = 2;
    // Otherwise the position moves only where `runLength` words in a row
    // match successive script tokens (each at most `runGap` tokens after the
    // one before); beyond the aligner's window the run must be
    // `farRunLength` words long.
    // Its words must also have `runLetters` letters together, so that
    // "we look at" is not enough where "read your script" is; a run of short
    // words grows until they have.
    int runLength = 3;
    int runGap = 1;
    int farRunLength = 5;
    int runLetters = 10;
    // Misheard words in the middle of a reading: within `recentWords` spoken
    // words after the last one that followed the script, a word of at least
    // `nearLetters` letters that matches one of the tokens the misheard
    // words may have covered (their number plus `reach`) takes the reader
    // back onto the script at once, without a run.
    int recentWords = 6;
    int nearLetters = 5;
    bool operator==(const AnchorRules &) const = default;
};

// The part of a recognised transcript that is the script, as the script's
// own words up to the position it reached: words spoken beside the script
// (chatter, an ad-lib, a repeated sentence) are left out, and a skip further
// than the aligner's window is bridged with the skipped words. Aligning the
// result reaches exactly that position. Like the aligner, it depends only on
// the transcript and the tokens.
QString anchoredTranscript(const QList<Token> &tokens, const QString &transcript,
                           const AnchorRules &rules = {});

// The position (number of tokens) anchoredTranscript reaches.
qint64 anchoredPosition(const QList<Token> &tokens, const QStringList &spokenWords,
                        const AnchorRules &rules = {});

} // namespace tandrel
