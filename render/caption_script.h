#pragma once

#include "library/caption_cues.h"

#include <QList>
#include <QString>

namespace tandrel {

// Captions as burnt into a finished reel, in the SubStation Alpha form the
// subtitle renderer (libass) reads: large bold white sans with a black
// outline, centred in the lower third of the 1080 × 1920 picture, above the
// strip the platforms cover with their caption and buttons.
struct CaptionScript
{
    static constexpr int width = 1080;
    static constexpr int height = 1920;
    // Kept free at the bottom and at the sides (the right holds the buttons).
    static constexpr int bottomMargin = 420;
    static constexpr int sideMargin = 120;
    static constexpr int fontSize = 66;

    // The script's text; cue times are seconds of the reel.
    static QString text(const QList<CaptionCue> &cues);
    // The cues (indices into `cues`) libass shows on the reel's frame
    // `frame` at `frameRate` fps: the frame's time truncated to whole
    // milliseconds lies in a cue's [start, end) as the script writes them.
    static QList<qsizetype> shownAt(const QList<CaptionCue> &cues, qint64 frame, int frameRate);
};

} // namespace tandrel
