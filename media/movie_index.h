#pragma once

#include "media/media_failure.h"
#include "platform/result.h"

#include <QList>
#include <QString>
#include <optional>

namespace tandrel {

// What the index (the "moov" box) of a QuickTime movie or MPEG-4 file says
// about its tracks, read without decoding anything. A take's files are read
// this way for their exact length: frames of a video track, samples of an
// audio track, after the edit list.
struct MovieTrack
{
    enum class Kind { video, audio, other };
    Kind kind = Kind::other;
    quint32 timescale = 0; // media units a second
    qint64 samples = 0; // frames of video, compressed packets of audio
    qint64 mediaDuration = 0; // every sample's duration added up, media units
    // Whether every sample lasts the same (a constant frame rate), and how long.
    bool constantDuration = false;
    qint64 sampleDuration = 0;
    // The edit list's single media segment: where in the media it starts and
    // how long it plays, both in media units. Without an edit list the whole
    // media plays from its start.
    qint64 mediaStart = 0;
    qint64 presentedDuration = 0;
    bool operator==(const MovieTrack &) const = default;
};

struct MovieIndex
{
    quint32 movieTimescale = 0;
    QList<MovieTrack> tracks;

    // The first track of `kind`, if the file has one.
    std::optional<MovieTrack> track(MovieTrack::Kind kind) const;

    // Reads the index of the file at `path`; fails when the file cannot be
    // read or holds no index.
    static Result<MovieIndex, MediaFailure> read(const QString &path);

    // Makes the audio track of the file at `path` skip its first `samples`
    // media samples when played (an encoder's priming) and play `length`
    // samples after them (none: to the end of the media; the encoder's
    // padding of its last frame is left out this way), by rewriting its
    // edit list, track and movie durations in place. The file must have an
    // audio track with a single-segment edit list starting at 0.
    static BasicStatus<MediaFailure> skipLeadingAudio(const QString &path, qint64 samples,
                                   std::optional<qint64> length = std::nullopt);
};

} // namespace tandrel
