#pragma once

#include "export/export_error.h"
#include "library/caption_cues.h"
#include "library/reel_project.h"

#include <QList>
#include <QString>
#include <limits>
#include <optional>

namespace tandrel {

// A reel's takes laid end to end on the 30 fps grid and cut at their speech
// intervals, as every editor export lays them out: the takes oldest first, each
// take's slices in order, takes without usable media left out. Clip names are
// plain text; each document escapes them its own way.
//
// A take is as long as its files play, read from their index: the video's
// frames, or without video the audio's samples on the frame grid, so that no
// recorded frame is lost or invented. Only when a file's index cannot be
// read does the take's stored duration stand in.
struct ReelTimeline
{
    // The timeline ends here, so that no length or offset written in
    // "100/3000s" units can leave 64 bits, whatever durations a library
    // file claims. Takes past the end are left out; a clip reaching over it is cut.
    static constexpr qint64 mostFrames = std::numeric_limits<qint64>::max() / 100;

    // One file of a take.
    struct Media
    {
        QString path; // absolute
        QString fileName; // the bare name stored with the take
        qint64 frames = 0; // frames of the timeline the file plays
        bool video = false; // the take's video file, else its audio file
        bool operator==(const Media &) const = default;
    };

    // One slice of a take: the video file's and the audio file's stretch
    // [startFrame, startFrame + length), side by side on the timeline.
    struct Clip
    {
        QString name; // "Take HH:mm:ss", then " · Sprache" or " · Pause" when the take has intervals
        QString takeName; // "Take HH:mm:ss"
        std::optional<qsizetype> video; // index into `media`
        std::optional<qsizetype> audio;
        qint64 startFrame = 0; // within the take
        qint64 length = 0;
        qint64 offset = 0; // on the timeline
        bool speaking = false; // a stretch of speech; false for pauses and for takes without intervals
        bool operator==(const Clip &) const = default;
    };

    // A caption over one clip: the part of a take's cue that falls into the
    // clip's stretch of the take, on the timeline. A cue that spans clips is
    // cut at their edges, so that each part goes where its clip goes.
    struct Caption
    {
        qsizetype clip = 0; // index into `clips`
        qint64 offset = 0; // on the timeline, within the clip
        qint64 length = 0;
        QString text;
        bool operator==(const Caption &) const = default;
    };

    // The cues of a take on the timeline that has word times, in the take's
    // own time, and the stem of its files' names ("20260301-100000").
    struct TakeCaptions
    {
        QString takeName;
        QString fileStem;
        QList<CaptionCue> cues;
        bool operator==(const TakeCaptions &) const = default;
    };

    QList<Media> media;
    QList<Clip> clips;
    qint64 frames = 0; // the timeline's length: the clips' lengths added up
    QList<Caption> captions; // in timeline order
    QList<TakeCaptions> takeCaptions; // takes without word times have none

    // Fails with noTakes or noMedia, the same as the Final Cut document.
    static ExportResult<ReelTimeline> build(const ReelProject &reel, const QString &takesFolder,
                                            const CueRules &rules = {});
};

} // namespace tandrel
