#pragma once

#include "platform/file_error.h"

#include <QString>
#include <optional>

namespace tandrel {

// Why a capture source stopped or never started delivering.
struct SourceFailure
{
    enum class Kind {
        gone, // the device has been unplugged
        noData, // the stream ended: the device delivers nothing any more
        notOpened, // no element could be made for the source
        notLinked, // the source does not connect to the conversion
        notStarted, // the pipeline refused to run, without saying why
        screenNotFound, // the chosen screen is no longer connected
        pipeWireSourceMissing, // GStreamer lacks pipewiresrc
        x11SourceMissing, // GStreamer lacks ximagesrc
        reported, // GStreamer's own description in `detail`
    };
    Kind kind = Kind::reported;
    QString detail{};
    bool operator==(const SourceFailure &) const = default;
};

// Why a take's file could not be written to the end.
struct WriteFailure
{
    enum class Kind {
        diskFull, // no space left on the file's file system
        indexFull, // the space reserved for the file's index ran out
        finishTimedOut, // the file was not complete within the finish timeout
        failed, // any other failure: `cause` when the system named one, else GStreamer's `detail`
    };
    Kind kind = Kind::failed;
    FileError cause{};
    QString detail{};
    bool operator==(const WriteFailure &) const = default;
};

// What the capture tells the user: a refused or failed take, how a take
// ended, or what happened to a source. Travels as this value (in lastError
// and in a take's completion); the words are made where it is shown.
struct CaptureNotice
{
    enum class Kind {
        recordingRunning, // a take is still being recorded or finished
        noSourceChosen, // neither a video source nor a microphone is selected
        folderNotCreated, // the takes folder `path` could not be made
        writerNotReady, // the encoder of the `video` (or audio) file is missing
        fileNotCreated, // the `video` (or audio) file could not be opened; `detail` is GStreamer's
        endedBeforeStart, // the take was stopped while it was being prepared
        noPictures, // a take without any file: no pictures arrived
        noAudio, // a take without any file: no sound arrived
        audioOnly, // a video take kept only its sound
        takeLimit, // the take stopped at its limit of `seconds`
        aborted, // the take ended early (`write`, or `device` with `source`); it keeps `seconds` when set
        screenNotStarted, // the screen source did not start (`source`)
        screenInterrupted, // the screen source stopped (`source`)
        screenShareEnded, // the desktop ended the screen sharing
        screenAccessMissing, // the desktop did not grant the screen
        deviceFailed, // the `device` failed (`source`) while no take ran
        soundMoved, // the sound server records from `to` instead of `from` now
    };
    enum class Device { camera, microphone };

    Kind kind = Kind::recordingRunning;
    bool video = false;
    Device device = Device::camera;
    SourceFailure source{};
    std::optional<WriteFailure> write{};
    std::optional<double> seconds{};
    QString path{};
    QString detail{};
    QString from{}, to{};

    bool operator==(const CaptureNotice &) const = default;
};

} // namespace tandrel
