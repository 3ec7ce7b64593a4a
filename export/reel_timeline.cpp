#include "export/reel_timeline.h"

#include "export/fcpxml_exporter.h"
#include "library/file_names.h"
#include "library/speech_slicing.h"

#include <QDir>
#include <algorithm>

namespace tandrel {

namespace {

// The index of a take's file in `media`, appended when usable; none when the
// file is missing, too small or its stored name reaches outside the takes folder.
std::optional<qsizetype> addMedia(QList<ReelTimeline::Media> &media, const QDir &takesFolder,
                                  const std::optional<QString> &fileName, qint64 frames)
{
    if (!fileName || !isBareFileName(*fileName))
        return std::nullopt;
    const QString path = takesFolder.absoluteFilePath(*fileName);
    if (!FCPXMLExporter::isUsableMedia(path))
        return std::nullopt;
    media.append({path, *fileName, frames});
    return media.size() - 1;
}

} // namespace

ExportResult<ReelTimeline> ReelTimeline::build(const ReelProject &reel, const QString &takesFolder)
{
    QList<Take> takes = reel.takes;
    if (takes.isEmpty())
        return ExportError::noTakes;
    std::stable_sort(takes.begin(), takes.end(),
                     [](const Take &a, const Take &b) { return a.recordedAt < b.recordedAt; });

    const QDir folder(takesFolder);
    ReelTimeline timeline;
    for (const Take &take : std::as_const(takes)) {
        const qint64 frames = frameCount(take.duration);
        const auto video = addMedia(timeline.media, folder, take.videoFileName, frames);
        const auto audio = addMedia(timeline.media, folder, take.audioFileName, frames);
        if (!video && !audio)
            continue; // a take without usable media takes no room on the timeline

        const QString takeName
                = QStringLiteral("Take ") + take.recordedAt.toLocalTime().toString(u"HH:mm:ss");
        for (const SpeechSlice &slice : speechSlices(take.speechIntervals, take.duration)) {
            const qint64 length = slice.endFrame - slice.startFrame;
            if (length <= 0)
                continue;
            QString name = takeName;
            if (!take.speechIntervals.isEmpty())
                name += QStringLiteral(" · ")
                        + (slice.speaking ? QStringLiteral("Sprache") : QStringLiteral("Pause"));
            timeline.clips.append({name, takeName, video, audio, slice.startFrame, length, timeline.frames});
            timeline.frames += length;
        }
    }
    if (timeline.clips.isEmpty())
        return ExportError::noMedia;
    return timeline;
}

} // namespace tandrel
