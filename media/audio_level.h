#pragma once

#include "media/audio_buffer.h"

#include <optional>

namespace tandrel {

// Level of one microphone buffer in dB relative to full scale: the root mean
// square of all samples of all channels pooled. 32-bit float and signed
// 16-bit samples are measured; other formats and empty buffers give none.
// A near-silent buffer (RMS below 1e-8) gives -100.
std::optional<float> audioLevel(const AudioBuffer &buffer);

} // namespace tandrel
