#include "capture/finished_take.h"

#include "capture/media_writer.h"
#include "media/media_file.h"

#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace tandrel {

namespace {

// A file counts when it holds more than a bare header.
bool fileHasContent(const std::optional<QString> &path)
{
    if (!path)
        return false;
    const QFileInfo info(*path);
    return info.exists() && info.size() > 64;
}

// Why `writer` failed, as an `aborted` notice; none when it did not.
std::optional<CaptureNotice> writerFailure(const MediaWriter *writer)
{
    // A failed writer is cancelled at the stop; its failure stays.
    const std::optional<WriteFailure> failure = writer ? writer->failure() : std::nullopt;
    if (!failure)
        return std::nullopt;
    return CaptureNotice{.kind = CaptureNotice::Kind::aborted, .write = failure};
}

// How many seconds the file at `path` plays; none when it does not play.
std::optional<double> playingSeconds(const std::optional<QString> &path)
{
    if (!fileHasContent(path))
        return std::nullopt;
    const Result<double, MediaFailure> seconds = mediaDuration(*path);
    return seconds && *seconds > 0 ? std::optional(*seconds) : std::nullopt;
}

} // namespace

void FinishedTake::noteWriterFailures(const MediaWriter *video, const MediaWriter *audio)
{
    for (const MediaWriter *writer : {video, audio}) {
        if (!abortReason)
            abortReason = writerFailure(writer);
    }
    if (!abortReason)
        return;
    if (videoFrameCount >= 1)
        videoSeconds = playingSeconds(videoPath);
    if (audioBufferCount >= 1)
        audioSeconds = playingSeconds(audioPath);
}

FinishedTake::Outcome FinishedTake::outcome(double takeLimit) const
{
    Outcome result;
    // A take cut short keeps what plays; one ended normally what has content.
    const bool aborted = abortReason.has_value();
    result.keepVideo = aborted ? videoSeconds.has_value() : videoFrameCount >= 1 && fileHasContent(videoPath);
    result.keepAudio
            = aborted ? audioSeconds.has_value() : audioBufferCount >= 1 && fileHasContent(audioPath);
    if (!result.keepVideo && !result.keepAudio) {
        const CaptureNotice notice = aborted ? *abortReason
                : expectedVideo              ? CaptureNotice{.kind = CaptureNotice::Kind::noPictures}
                                             : CaptureNotice{.kind = CaptureNotice::Kind::noAudio};
        result.note = notice;
        result.take = Result<Take, CaptureNotice>::failure(notice);
        return result;
    }

    // A take stopped at its limit holds what was captured up to it.
    double length = limitReached ? takeLimit : duration;
    if (aborted) {
        length = std::max(videoSeconds.value_or(0), audioSeconds.value_or(0));
        result.note = *abortReason;
        result.note->seconds = length;
    } else if (limitReached) {
        result.note = CaptureNotice{.kind = CaptureNotice::Kind::takeLimit, .seconds = takeLimit};
    } else if (result.keepAudio && !result.keepVideo && expectedVideo) {
        result.note = CaptureNotice{.kind = CaptureNotice::Kind::audioOnly};
    }

    Take take;
    take.id = QUuid::createUuid();
    take.recordedAt = recordedAt ? *recordedAt : QDateTime::currentDateTime();
    if (result.keepVideo)
        take.videoFileName = QFileInfo(*videoPath).fileName();
    if (result.keepAudio)
        take.audioFileName = QFileInfo(*audioPath).fileName();
    take.duration = length;
    // Speech the files of a take cut short no longer hold is not part of it.
    for (SpeechInterval interval : intervals) {
        if (aborted || limitReached) {
            if (interval.start >= length)
                break;
            interval.end = std::min(interval.end, length);
        }
        take.speechIntervals.append(interval);
    }
    result.take = take;
    return result;
}

} // namespace tandrel
