#pragma once

#include "library/imported_reel.h"
#include "library/reel_project.h"

#include <QList>
#include <QUuid>
#include <optional>

namespace tandrel {

// The number after the highest of `reels` (1 for none); none past the largest
// 64-bit number.
std::optional<qint64> nextReelNumber(const QList<ReelProject> &reels);

// A new reel: a random id, now as creation and update date, no takes, the
// crop window centred.
ReelProject newReel(qint64 number, const QString &title, const QString &script);

// What an import changed, for the reel folders to follow: a reel as it was
// (none for a new one) and as it is now.
struct ImportedChange
{
    std::optional<ReelProject> before;
    ReelProject after;
};

struct AppliedImport
{
    QList<ImportedChange> changes;
    std::optional<QUuid> selected; // the last block's reel
};

// Applies the blocks in order to `reels`: a block's number finds the first
// reel with it (library order) and updates its title and script, or creates
// it; a block without a number creates the next free number. None, and
// `reels` untouched, when a block would need a number past the largest.
std::optional<AppliedImport> applyImport(QList<ReelProject> &reels, const QList<ImportedReel> &blocks);

} // namespace tandrel
