#pragma once

#include "library/caption_cues.h"
#include "library/take.h"
#include "render/render_error.h"
#include "render/render_options.h"

#include <QList>
#include <QString>

namespace tandrel {

// What a finished reel plays of one take: stretches of the take's files on
// the 30 fps grid, laid end to end. The take is cut where the editor exports
// cut it, at its speech intervals; a pause longer than the threshold keeps a
// breath of it, half after the speech before it and half before the speech
// after it (all of it before the first and after the last speech).
struct ReelCut
{
    // Frames [sourceStart, sourceStart + length) of the take at `offset` in the reel.
    struct Segment
    {
        qint64 sourceStart = 0;
        qint64 length = 0;
        qint64 offset = 0;
        bool operator==(const Segment &) const = default;
    };

    QString videoPath; // absolute; empty when the take has no video
    QString audioPath; // absolute; empty when the take has no audio
    QList<Segment> segments;
    qint64 frames = 0; // of the reel
    qint64 takeFrames = 0; // of the whole take

    // Where a moment of the take (seconds) lies in the reel (seconds); a
    // moment in a left-out stretch lies where the reel goes on after it.
    double reelTime(double takeSeconds) const;
    // The cues moved onto the reel's time; a cue left with less than a frame is dropped.
    QList<CaptionCue> reelCues(const QList<CaptionCue> &cues) const;

    // The cut of `take`, whose files lie in `takesFolder`. Fails when the take
    // names no file or a file it names is missing or unreadable.
    static RenderResult<ReelCut> build(const Take &take, const QString &takesFolder,
                                       const RenderOptions &options);
};

} // namespace tandrel
