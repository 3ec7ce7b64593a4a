#pragma once

#include "platform/file_error.h"

#include <QString>

namespace tandrel {

// Why a media file could not be read: a WAV file by the reader, a movie's
// index by its reader, or any audio or movie by the decoder. Travels as this value; the words are made
// where it is shown.
struct MediaFailure
{
    enum class Kind {
        unreadable, // the system refused to read `path`; `cause` says why
        unwritable, // the system refused to write `path`; `cause` says why
        notWav, // no RIFF/WAVE header
        wavFormatTooShort, // the "fmt " chunk is shorter than its fields
        wavNoFormat, // no "fmt " chunk
        wavNoData, // no "data" chunk
        wavUnsupported, // neither 16-bit PCM nor 32-bit float
        wavFormatInvalid, // channels, rate or frame size out of range
        notDecoded, // the decoder could not take the file; `detail` holds its words, if any
        notPlayable, // the decoder found nothing that plays
        movieNoIndex, // no readable "moov" box
        movieNoTracks, // an index without tracks or time scale
        movieNoAudioEdit, // no audio track with a single edit from its start to change
    };
    Kind kind = Kind::unreadable;
    QString path{};
    FileError cause{};
    QString detail{};

    bool operator==(const MediaFailure &) const = default;
};

} // namespace tandrel
