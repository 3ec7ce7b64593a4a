#pragma once

#include "export/reel_timeline.h"

#include "export/export_error.h"

#include <QString>
#include <optional>

namespace tandrel {

// The SubRip files an export writes beside its project in the reel folder.
class CaptionFiles
{
public:
    // "<folder>-<stem>.srt": a take's cues in the take's own time.
    static QString takeFileName(const QString &folderName, const ReelTimeline::TakeCaptions &take);

    // The timeline's captions as SRT, each where its clip lies.
    static QString timelineSrt(const ReelTimeline &timeline);

    // Writes a file per take with word times into `reelFolder`, each
    // atomically; why the first of them failed.
    static std::optional<ExportFailure> writeTakeFiles(const ReelTimeline &timeline,
                                                       const QString &reelFolder, const QString &folderName);
};

} // namespace tandrel
