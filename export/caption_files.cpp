#include "export/caption_files.h"

#include "export/export_files.h"
#include "library/speech_slicing.h"

#include <QDir>

namespace tandrel {

QString CaptionFiles::takeFileName(const QString &folderName, const ReelTimeline::TakeCaptions &take)
{
    return folderName + QLatin1Char('-') + take.fileStem + QStringLiteral(".srt");
}

QString CaptionFiles::timelineSrt(const ReelTimeline &timeline)
{
    QList<CaptionCue> cues;
    for (const ReelTimeline::Caption &caption : timeline.captions) {
        CaptionCue cue;
        cue.start = double(caption.offset) / timelineFrameRate;
        cue.end = double(caption.offset + caption.length) / timelineFrameRate;
        cue.text = caption.text;
        cues.append(cue);
    }
    return srtText(cues);
}

std::optional<ExportFailure> CaptionFiles::writeTakeFiles(const ReelTimeline &timeline,
                                                          const QString &reelFolder,
                                                          const QString &folderName)
{
    const QDir folder(reelFolder);
    for (const ReelTimeline::TakeCaptions &take : timeline.takeCaptions) {
        const QString path = folder.filePath(takeFileName(folderName, take));
        if (const auto failure = writeExportFile(path, srtText(take.cues).toUtf8()))
            return failure;
    }
    return std::nullopt;
}

} // namespace tandrel
