#pragma once

#include <QtGlobal>

namespace tandrel {

// A stretch of a take on the 30 fps grid, [startFrame, endFrame), counted from
// the start of the take.
struct SpeechSlice
{
    qint64 startFrame = 0;
    qint64 endFrame = 0;
    bool speaking = false;
    bool operator==(const SpeechSlice &) const = default;
};

} // namespace tandrel
