#pragma once

#include "library/reel_folders.h"
#include "library/reel_project.h"

#include <QList>
#include <QUuid>

namespace tandrel {

// A take whose files a recording left in a reel's takes folder without a
// take in the library: the process was killed, or the power cut, during the
// take. Its files stay playable up to their last index update.
struct RecoveredTake
{
    QUuid reelID;
    Take take;
};

// Take files ("yyyyMMdd-HHmmss[-N]-video.mov" / "-audio.m4a") that no take of
// any reel names, as takes: the duration from the files, the speech measured
// from the audio file, the recording date from the file name. Files that
// cannot be read, and a take whose "<stamp>.lock" a running recording
// holds, are left alone. Reads media files: may take a while.
QList<RecoveredTake> findOrphanTakes(const QList<ReelProject> &reels, const ReelFolders &folders);

// Adds the found takes to their reels in `reels` (the list as it is now),
// except those whose files a take there already names (another process
// adopted them meanwhile); how many were added.
int addRecoveredTakes(QList<ReelProject> &reels, const QList<RecoveredTake> &found);

} // namespace tandrel
