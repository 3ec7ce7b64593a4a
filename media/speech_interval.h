#pragma once

namespace tandrel {

// A stretch of detected speech, in seconds from the start of its take.
struct SpeechInterval
{
    double start = 0;
    double end = 0;
    bool operator==(const SpeechInterval &) const = default;
};

} // namespace tandrel
