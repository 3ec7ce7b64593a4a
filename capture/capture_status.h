#pragma once

namespace tandrel {

// What the capture is doing, as the record workspace shows it beside the
// preview. Travels as this value; the words are made where they are shown.
enum class CaptureStatus {
    ready, // nothing has been configured yet
    live, // pictures arrive from the selected video source
    audioOnly, // only the microphone is open
    noSource, // neither a video source nor a microphone is selected
    noVideoPicture, // the screen source could not be started
    screenInterrupted, // the shared screen stopped sending
    cameraInterrupted, // the camera failed or went away
    microphoneInterrupted, // the microphone failed or went away
    recording, // a take is being recorded
};

} // namespace tandrel
