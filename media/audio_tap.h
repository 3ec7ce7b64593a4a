#pragma once

#include "media/audio_buffer.h"

#include <QString>
#include <functional>
#include <optional>

namespace tandrel {

// Called on the capture output queue for every microphone buffer.
using AudioTap = std::function<void(const AudioBuffer &)>;

// What a listener of the microphone needs from the capture side: which
// microphone is selected, and a place to install its tap (an empty function
// removes it). The capture controller implements it; tools that feed audio
// from a file implement it too.
class AudioTapHost
{
public:
    virtual ~AudioTapHost() = default;
    virtual std::optional<QString> selectedMicrophoneID() const = 0;
    virtual void setAudioTap(AudioTap tap) = 0;
};

} // namespace tandrel
