#pragma once

#include "capture/capture_notice.h"
#include "library/take.h"
#include "media/speech_interval.h"
#include "platform/result.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;

namespace tandrel {

class MediaWriter;

// A take whose writers have been stopped, as the session queue hands it to
// the main thread, and the rules that turn it into a library take: which
// files stay, how long the take is, and what the user is told.
struct FinishedTake
{
    // The outcome of a take: the take, or why there is none.
    using Completion = std::function<void(const Result<Take, CaptureNotice> &)>;

    std::optional<QString> videoPath, audioPath;
    bool expectedVideo = false;
    qint64 videoFrameCount = 0, audioBufferCount = 0;
    double duration = 0; // wall-clock seconds from start to stop
    std::optional<QDateTime> recordedAt;
    QList<SpeechInterval> intervals;
    Completion completion;
    // Why the take ended early (an `aborted` notice), as the stop knew it (a
    // device failure) or as a writer reported it; and what the kept files
    // hold then.
    std::optional<CaptureNotice> abortReason;
    std::optional<double> videoSeconds, audioSeconds;
    bool limitReached = false;
    // The video file's frame grid: its frames, the repeats among them and
    // the pictures dropped.
    qint64 gridFrames = 0, repeatedFrames = 0, droppedFrames = 0;
    std::shared_ptr<QLockFile> lock; // released once the take is handed over

    struct Outcome
    {
        bool keepVideo = false;
        bool keepAudio = false;
        std::optional<CaptureNotice> note; // what lastError says
        Result<Take, CaptureNotice> take = Result<Take, CaptureNotice>::failure({});
    };

    // Off the main thread, once the writers are through: the first writer
    // failure becomes the reason the take ended, unless it had one, and a
    // take cut short learns how long each of its files plays.
    void noteWriterFailures(const MediaWriter *video, const MediaWriter *audio);
    // `takeLimit`: the longest a take may be, in seconds.
    Outcome outcome(double takeLimit) const;
};

} // namespace tandrel
