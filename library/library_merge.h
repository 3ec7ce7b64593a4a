#pragma once

#include "library/reel_project.h"

#include <QList>

namespace tandrel {

// The caller's changes to a reel (`changed` against the `base` it was made
// from) applied to the reel as it is now (`current`), so that what another
// process changed meanwhile in the other fields survives.
ReelProject mergeReel(const ReelProject &current, const ReelProject &base, const ReelProject &changed);

// This process's changes that are not on disk (`ours` against `base`, the
// list last read or written) applied to the list another process wrote
// since (`theirs`): reels and takes added, changed or removed on either side
// survive. Where both changed one reel, each field takes our value when we
// changed it; a reel or take one side changed and the other removed stays.
QList<ReelProject> mergeLibraries(const QList<ReelProject> &theirs, const QList<ReelProject> &base,
                                  const QList<ReelProject> &ours);

} // namespace tandrel
