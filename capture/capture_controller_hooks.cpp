#include "capture/capture_controller.h"

// Default bodies of the recording hooks for a build without take recording:
// frames and buffers have already reached the previews and the audio tap, and
// nothing else wants them. Take recording defines both in its own file and
// removes this one.

namespace tandrel {

void CaptureController::recordVideoFrame(const VideoFrame &)
{ }

void CaptureController::recordAudioBuffer(const AudioBuffer &)
{ }

} // namespace tandrel
