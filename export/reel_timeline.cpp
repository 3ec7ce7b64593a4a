#include "export/reel_timeline.h"

#include "export/fcpxml_exporter.h"
#include "library/file_names.h"
#include "library/speech_slicing.h"
#include "media/movie_index.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tandrel {

namespace {

// The path of a take's file when it is usable; none when the file is
// missing, too small or its stored name reaches outside the takes folder.
std::optional<QString> usableFile(const QDir &takesFolder, const std::optional<QString> &fileName)
{
    if (!fileName || !isBareFileName(*fileName))
        return std::nullopt;
    const QString path = takesFolder.absoluteFilePath(*fileName);
    if (!FCPXMLExporter::isUsableMedia(path))
        return std::nullopt;
    return path;
}

// `units` of a track's time base on the timeline's frame grid, to the
// nearest frame.
qint64 gridFrames(qint64 units, quint32 timescale)
{
    return qint64((units * timelineFrameRate + timescale / 2) / timescale);
}

// How many frames of the timeline the file at `path` plays, from its index:
// a video's frames (one sample a frame at a constant rate), an audio
// track's samples on the frame grid. None when the index cannot be read.
std::optional<qint64> playedFrames(const QString &path, MovieTrack::Kind kind)
{
    const auto index = MovieIndex::read(path);
    if (!index)
        return std::nullopt;
    const std::optional<MovieTrack> track = index->track(kind);
    if (!track || track->timescale == 0 || track->presentedDuration <= 0)
        return std::nullopt;
    if (kind == MovieTrack::Kind::video && track->constantDuration
        && track->sampleDuration * timelineFrameRate == track->timescale)
        return track->presentedDuration / track->sampleDuration;
    return gridFrames(track->presentedDuration, track->timescale);
}

// The bare name of a take's file without its kind and suffix:
// "20260301-100000-video.mov" gives "20260301-100000".
QString fileStem(const QString &fileName)
{
    QString stem = QFileInfo(fileName).completeBaseName();
    for (const QLatin1String kind : {QLatin1String("-video"), QLatin1String("-audio")}) {
        if (stem.endsWith(kind) && stem.size() > kind.size())
            return stem.chopped(kind.size());
    }
    return stem;
}

// The frame of the 30 fps grid nearest to `seconds` into a take; times a
// library file may hold that no take reaches are kept off the grid's ends.
qint64 gridFrame(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return qint64(std::llround(std::min(seconds * timelineFrameRate, double(ReelTimeline::mostFrames))));
}

// The parts of `cues` (seconds into the take) that fall into the clips
// [first, clips.size()) of one take, on the 30 fps grid. A part never starts
// before the one placed before it ends, whatever times a library file holds.
void placeCaptions(ReelTimeline &timeline, qsizetype first, const QList<CaptionCue> &cues)
{
    qint64 shownUntil = timeline.captions.isEmpty()
            ? 0
            : timeline.captions.last().offset + timeline.captions.last().length;
    for (const CaptionCue &cue : cues) {
        const qint64 start = gridFrame(cue.start);
        const qint64 end = gridFrame(cue.end);
        for (qsizetype i = first; i < timeline.clips.size(); ++i) {
            const ReelTimeline::Clip &clip = timeline.clips.at(i);
            const qint64 from
                    = std::max({start, clip.startFrame, shownUntil - clip.offset + clip.startFrame});
            const qint64 to = std::min(end, clip.startFrame + clip.length);
            if (to <= from)
                continue;
            timeline.captions.append({i, clip.offset + from - clip.startFrame, to - from, cue.text});
            shownUntil = clip.offset + to - clip.startFrame;
        }
    }
}

} // namespace

ExportResult<ReelTimeline> ReelTimeline::build(const ReelProject &reel, const QString &takesFolder,
                                               const CueRules &rules)
{
    QList<Take> takes = reel.takes;
    if (takes.isEmpty())
        return ExportError::noTakes;
    std::stable_sort(takes.begin(), takes.end(),
                     [](const Take &a, const Take &b) { return a.recordedAt < b.recordedAt; });

    const QDir folder(takesFolder);
    ReelTimeline timeline;
    for (const Take &take : std::as_const(takes)) {
        if (timeline.frames >= mostFrames)
            break;
        const auto videoPath = usableFile(folder, take.videoFileName);
        const auto audioPath = usableFile(folder, take.audioFileName);
        if (!videoPath && !audioPath)
            continue; // a take without usable media takes no room on the timeline

        // The files say how long the take is; the stored duration stands in
        // for a file whose index cannot be read.
        const qint64 stored = frameCount(take.duration);
        const qint64 videoFrames
                = videoPath ? playedFrames(*videoPath, MovieTrack::Kind::video).value_or(stored) : stored;
        const qint64 audioFrames
                = audioPath ? playedFrames(*audioPath, MovieTrack::Kind::audio).value_or(stored) : stored;
        const qint64 frames = videoPath ? videoFrames : audioFrames;
        std::optional<qsizetype> video, audio;
        if (videoPath) {
            timeline.media.append({*videoPath, *take.videoFileName, videoFrames, true});
            video = timeline.media.size() - 1;
        }
        if (audioPath) {
            timeline.media.append({*audioPath, *take.audioFileName, audioFrames, false});
            audio = timeline.media.size() - 1;
        }

        const QString takeName
                = QStringLiteral("Take ") + take.recordedAt.toLocalTime().toString(u"HH:mm:ss");
        const double seconds = double(frames) / timelineFrameRate;
        const qsizetype firstClip = timeline.clips.size();
        for (const SpeechSlice &slice : speechSlices(take.speechIntervals, seconds)) {
            const qint64 length = std::min(slice.endFrame - slice.startFrame, mostFrames - timeline.frames);
            if (length <= 0)
                continue;
            QString name = takeName;
            if (!take.speechIntervals.isEmpty())
                name += QStringLiteral(" · ")
                        + (slice.speaking ? QStringLiteral("Sprache") : QStringLiteral("Pause"));
            timeline.clips.append(
                    {name, takeName, video, audio, slice.startFrame, length, timeline.frames, slice.speaking});
            timeline.frames += length;
        }
        if (take.words && !take.words->isEmpty()) {
            const QList<CaptionCue> cues = captionCues(*take.words, rules);
            placeCaptions(timeline, firstClip, cues);
            timeline.takeCaptions.append(
                    {takeName, fileStem(videoPath ? *take.videoFileName : *take.audioFileName), cues});
        }
    }
    if (timeline.clips.isEmpty())
        return ExportError::noMedia;
    return timeline;
}

} // namespace tandrel
