#include "render/reel_cut.h"

#include "export/reel_timeline.h"
#include "library/file_names.h"
#include "library/speech_slicing.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace tandrel {

namespace {

// The stretches of one timeline clip that the reel keeps, as [start, end) frames of the take.
void keepOfClip(const ReelTimeline::Clip &clip, bool first, bool last, qint64 longestPause, qint64 breath,
                QList<std::pair<qint64, qint64>> &kept)
{
    const qint64 start = clip.startFrame, end = clip.startFrame + clip.length;
    if (clip.speaking || clip.length <= longestPause) {
        kept.append({start, end});
    } else if (first && last) {
        kept.append({start, end}); // a take without speech keeps all of it
    } else if (first) {
        kept.append({end - breath, end});
    } else if (last) {
        kept.append({start, start + breath});
    } else {
        const qint64 before = breath / 2;
        kept.append({start, start + before});
        kept.append({end - (breath - before), end});
    }
}

} // namespace

double ReelCut::reelTime(double takeSeconds) const
{
    const double frame = takeSeconds * timelineFrameRate;
    for (const Segment &s : segments) {
        if (frame < s.sourceStart)
            return double(s.offset) / timelineFrameRate;
        if (frame < s.sourceStart + s.length)
            return (s.offset + (frame - s.sourceStart)) / timelineFrameRate;
    }
    return double(frames) / timelineFrameRate;
}

QList<CaptionCue> ReelCut::reelCues(const QList<CaptionCue> &cues) const
{
    QList<CaptionCue> moved;
    for (CaptionCue cue : cues) {
        cue.start = reelTime(cue.start);
        cue.end = reelTime(cue.end);
        if (cue.end - cue.start >= 1.0 / timelineFrameRate)
            moved.append(cue);
    }
    return moved;
}

RenderResult<ReelCut> ReelCut::build(const Take &take, const QString &takesFolder,
                                     const RenderOptions &options)
{
    if (!take.videoFileName && !take.audioFileName)
        return RenderError::noMedia;
    const QDir folder(takesFolder);
    for (const std::optional<QString> &name : {take.videoFileName, take.audioFileName}) {
        if (!name)
            continue;
        const QFileInfo file(isBareFileName(*name) ? folder.filePath(*name) : QString());
        if (!isBareFileName(*name) || !file.isFile() || !file.isReadable() || file.size() == 0)
            return {RenderError::missingTakeFile, *name};
    }

    ReelProject single;
    single.takes = {take};
    const ExportResult<ReelTimeline> timeline = ReelTimeline::build(single, takesFolder);
    if (!timeline)
        return {RenderError::missingTakeFile,
                take.videoFileName.value_or(take.audioFileName.value_or(QString()))};

    ReelCut cut;
    for (const ReelTimeline::Media &media : timeline.value().media)
        (media.video ? cut.videoPath : cut.audioPath) = media.path;
    cut.takeFrames = timeline.value().frames;

    // Pauses at or under the threshold stay whole; the threshold's own
    // length on the grid counts as kept.
    const qint64 longestPause = options.tightenPauses
            ? qint64(std::floor(options.pauseThreshold * timelineFrameRate + 1e-9))
            : std::numeric_limits<qint64>::max();
    const qint64 breath
            = std::clamp<qint64>(frameCount(options.breath), 1, std::max<qint64>(longestPause, 1));
    QList<std::pair<qint64, qint64>> kept;
    const QList<ReelTimeline::Clip> &clips = timeline.value().clips;
    for (qsizetype i = 0; i < clips.size(); ++i)
        keepOfClip(clips[i], i == 0, i == clips.size() - 1, longestPause, breath, kept);

    // Neighbouring stretches of the take play as one segment, so that the
    // reel is cut only where frames are left out.
    for (const auto &[start, end] : kept) {
        if (end <= start)
            continue;
        if (!cut.segments.isEmpty() && cut.segments.last().sourceStart + cut.segments.last().length == start)
            cut.segments.last().length += end - start;
        else
            cut.segments.append({start, end - start, cut.frames});
        cut.frames += end - start;
    }
    return cut;
}

} // namespace tandrel
