#include "capture/finished_take.h"

#include "capture/media_writer.h"
#include "media/media_file.h"
#include "platform/file_error.h"

#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

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

// Whole seconds, as the user reads a take's length.
QString secondsText(double seconds)
{
    return QString::number(qint64(std::floor(std::max(seconds, 0.0)))) + QStringLiteral(" s");
}

// Why `writer` failed, in German; none when it did not.
std::optional<QString> writerFailure(const MediaWriter *writer)
{
    // A failed writer is cancelled at the stop; its failure stays.
    if (!writer || writer->failure() == MediaWriter::Failure::None)
        return std::nullopt;
    switch (writer->failure()) {
    case MediaWriter::Failure::DiskFull:
        return germanFileError(FileError{ENOSPC});
    case MediaWriter::Failure::IndexFull:
        return QStringLiteral("Der reservierte Platz für das Inhaltsverzeichnis der Datei ist aufgebraucht");
    case MediaWriter::Failure::FinishTimedOut:
        return QStringLiteral("Die Datei konnte nicht rechtzeitig abgeschlossen werden");
    case MediaWriter::Failure::None:
    case MediaWriter::Failure::Other:
        break;
    }
    // GStreamer gives the system's words only; named in German when they
    // name a cause the system knows.
    const FileError cause = FileError::fromSystemWords(writer->errorText());
    const QString text = cause.code ? germanFileError(cause) : writer->errorText();
    return text.isEmpty() ? QStringLiteral("Die Datei konnte nicht geschrieben werden")
                          : QStringLiteral("Fehler beim Schreiben der Datei (%1)").arg(text);
}

// How many seconds the file at `path` plays; none when it does not play.
std::optional<double> playingSeconds(const std::optional<QString> &path)
{
    if (!fileHasContent(path))
        return std::nullopt;
    const Result<double> seconds = mediaDuration(*path);
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
        const QString message = aborted ? QStringLiteral("Aufnahme abgebrochen: %1.").arg(*abortReason)
                : expectedVideo
                ? QStringLiteral("Keine Bilder empfangen. Kamera, HDMI-Karte oder Bildschirmfreigabe prüfen.")
                : QStringLiteral("Keine Audiodaten empfangen. Audioquelle prüfen.");
        result.note = message;
        result.take = Result<Take>::failure(message);
        return result;
    }

    // A take stopped at its limit holds what was captured up to it.
    double length = limitReached ? takeLimit : duration;
    if (aborted) {
        length = std::max(videoSeconds.value_or(0), audioSeconds.value_or(0));
        result.note = QStringLiteral("Aufnahme abgebrochen: %1. Der Take enthält die ersten %2.")
                              .arg(*abortReason, secondsText(length));
    } else if (limitReached) {
        result.note = takeLimitNote(takeLimit);
    } else if (result.keepAudio && !result.keepVideo && expectedVideo) {
        result.note = QStringLiteral("Keine Videobilder empfangen. Take enthält nur Audio.");
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

QString takeLimitNote(double takeLimit)
{
    const QString length = takeLimit >= 120 ? QStringLiteral("%1 Minuten").arg(qint64(takeLimit / 60))
                                            : secondsText(takeLimit);
    return QStringLiteral("Die Aufnahme wurde nach %1 beendet: Länger kann ein Take nicht sein.").arg(length);
}

} // namespace tandrel
