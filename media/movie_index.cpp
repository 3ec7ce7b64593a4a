#include "media/movie_index.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <functional>

namespace tandrel {

namespace {

// An index larger than this is not a take's (a 65-minute reservation is a
// few megabytes): the file is damaged or not one of ours.
constexpr qint64 largestIndex = 64 * 1024 * 1024;

MediaFailure failed(MediaFailure::Kind kind, const QString &path, FileError cause = {})
{
    return {kind, path, cause};
}

// One box inside a byte range: where its payload lies.
struct Box
{
    QByteArray type;
    qint64 offset = 0; // of the box header
    qint64 payload = 0; // of its payload
    qint64 end = 0;
};

quint32 u32(const QByteArray &data, qint64 at)
{
    return at + 4 <= data.size() ? qFromBigEndian<quint32>(data.constData() + at) : 0;
}

quint64 u64(const QByteArray &data, qint64 at)
{
    return at + 8 <= data.size() ? qFromBigEndian<quint64>(data.constData() + at) : 0;
}

// The boxes directly inside [from, to) of `data`; stops at the first one
// that does not fit.
QList<Box> children(const QByteArray &data, qint64 from, qint64 to)
{
    QList<Box> boxes;
    qint64 at = from;
    while (at + 8 <= to) {
        qint64 size = u32(data, at);
        qint64 header = 8;
        if (size == 1) {
            size = qint64(u64(data, at + 8));
            header = 16;
        } else if (size == 0) {
            size = to - at;
        }
        if (size < header || at + size > to)
            break;
        boxes.append({data.mid(at + 4, 4), at, at + header, at + size});
        at += size;
    }
    return boxes;
}

std::optional<Box> child(const QByteArray &data, const Box &parent, const char *type)
{
    for (const Box &b : children(data, parent.payload, parent.end)) {
        if (b.type == type)
            return b;
    }
    return std::nullopt;
}

// The boxes of a track that the index needs, by path from the "trak" box.
struct TrackBoxes
{
    std::optional<Box> tkhd, elst, mdhd, hdlr, stts, stsz;
};

TrackBoxes trackBoxes(const QByteArray &moov, const Box &trak)
{
    TrackBoxes t;
    t.tkhd = child(moov, trak, "tkhd");
    if (const auto edts = child(moov, trak, "edts"))
        t.elst = child(moov, *edts, "elst");
    const auto mdia = child(moov, trak, "mdia");
    if (!mdia)
        return t;
    t.mdhd = child(moov, *mdia, "mdhd");
    t.hdlr = child(moov, *mdia, "hdlr");
    if (const auto minf = child(moov, *mdia, "minf")) {
        if (const auto stbl = child(moov, *minf, "stbl")) {
            t.stts = child(moov, *stbl, "stts");
            t.stsz = child(moov, *stbl, "stsz");
        }
    }
    return t;
}

// A full box's version, and where its fields after version and flags begin.
int version(const QByteArray &data, const Box &box)
{
    return box.payload < data.size() ? quint8(data.at(box.payload)) : 0;
}

// Timescale and duration of an "mvhd" or "mdhd" box, and the offset of its
// duration field.
struct TimeFields
{
    quint32 timescale = 0;
    quint64 duration = 0;
    qint64 durationAt = 0;
    bool wide = false;
};

TimeFields timeFields(const QByteArray &data, const Box &box)
{
    const qint64 fields = box.payload + 4;
    TimeFields t;
    t.wide = version(data, box) == 1;
    const qint64 timescaleAt = fields + (t.wide ? 16 : 8);
    t.timescale = u32(data, timescaleAt);
    t.durationAt = timescaleAt + 4;
    t.duration = t.wide ? u64(data, t.durationAt) : u32(data, t.durationAt);
    return t;
}

// The first (and only) media segment of an edit list, as stored.
struct EditFields
{
    qint64 entries = 0;
    qint64 segmentAt = 0; // offset of the first entry
    bool wide = false;
    quint64 segmentDuration = 0; // movie units
    qint64 mediaTime = 0; // media units; -1 for an empty edit
};

EditFields editFields(const QByteArray &data, const Box &elst)
{
    EditFields e;
    e.wide = version(data, elst) == 1;
    e.entries = u32(data, elst.payload + 4);
    e.segmentAt = elst.payload + 8;
    e.segmentDuration = e.wide ? u64(data, e.segmentAt) : u32(data, e.segmentAt);
    e.mediaTime = e.wide ? qint64(u64(data, e.segmentAt + 8)) : qint32(u32(data, e.segmentAt + 4));
    return e;
}

MovieTrack readTrack(const QByteArray &moov, const TrackBoxes &b, quint32 movieTimescale)
{
    MovieTrack track;
    if (b.hdlr) {
        const QByteArray handler = moov.mid(b.hdlr->payload + 8, 4);
        track.kind = handler == "vide" ? MovieTrack::Kind::video
                : handler == "soun"    ? MovieTrack::Kind::audio
                                       : MovieTrack::Kind::other;
    }
    if (b.mdhd)
        track.timescale = timeFields(moov, *b.mdhd).timescale;
    if (b.stsz)
        track.samples = u32(moov, b.stsz->payload + 8);
    if (b.stts) {
        const qint64 entries = u32(moov, b.stts->payload + 4);
        std::optional<qint64> common;
        bool constant = true;
        for (qint64 i = 0; i < entries; ++i) {
            const qint64 at = b.stts->payload + 8 + i * 8;
            if (at + 8 > b.stts->end)
                break;
            const qint64 count = u32(moov, at), delta = u32(moov, at + 4);
            track.mediaDuration += count * delta;
            if (count > 0) {
                constant = constant && (!common || *common == delta);
                common = delta;
            }
        }
        track.constantDuration = constant && common;
        track.sampleDuration = common.value_or(0);
    }
    track.presentedDuration = track.mediaDuration;
    if (b.elst) {
        // The media segment after an empty edit, if the movie starts with one.
        EditFields e = editFields(moov, *b.elst);
        if (e.entries == 2 && e.mediaTime == -1) {
            e.segmentAt += e.wide ? 20 : 12;
            e.segmentDuration = e.wide ? u64(moov, e.segmentAt) : u32(moov, e.segmentAt);
            e.mediaTime = e.wide ? qint64(u64(moov, e.segmentAt + 8)) : qint32(u32(moov, e.segmentAt + 4));
        }
        if (e.entries >= 1 && e.mediaTime >= 0 && movieTimescale > 0) {
            track.mediaStart = e.mediaTime;
            // Movie units to media units, to the nearest unit.
            track.presentedDuration
                    = qint64((e.segmentDuration * track.timescale + movieTimescale / 2) / movieTimescale);
        }
    }
    return track;
}

// The file's first top-level "moov" box, read whole.
std::optional<QByteArray> readMoov(QFile &file, qint64 *offset = nullptr)
{
    qint64 at = 0;
    const qint64 size = file.size();
    while (at + 8 <= size) {
        if (!file.seek(at))
            break;
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            break;
        qint64 boxSize = u32(header, 0);
        if (boxSize == 1 && header.size() == 16)
            boxSize = qint64(u64(header, 8));
        else if (boxSize == 0)
            boxSize = size - at;
        if (boxSize < 8)
            break;
        if (header.mid(4, 4) == "moov") {
            if (boxSize > largestIndex || at + boxSize > size)
                break;
            file.seek(at);
            if (offset)
                *offset = at;
            return file.read(boxSize);
        }
        at += boxSize;
    }
    return std::nullopt;
}

} // namespace

std::optional<MovieTrack> MovieIndex::track(MovieTrack::Kind kind) const
{
    for (const MovieTrack &t : tracks) {
        if (t.kind == kind)
            return t;
    }
    return std::nullopt;
}

Result<MovieIndex, MediaFailure> MovieIndex::read(const QString &path)
{
    using R = Result<MovieIndex, MediaFailure>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::failure(failed(MediaFailure::Kind::unreadable, path, FileError::lastOpen(path)));
    const std::optional<QByteArray> moov = readMoov(file);
    if (!moov)
        return R::failure(failed(MediaFailure::Kind::movieNoIndex, path));
    const QByteArray &data = *moov;
    const Box root{"moov", 0, 8, data.size()};
    MovieIndex index;
    if (const auto mvhd = child(data, root, "mvhd"))
        index.movieTimescale = timeFields(data, *mvhd).timescale;
    for (const Box &b : children(data, root.payload, root.end)) {
        if (b.type == "trak")
            index.tracks.append(readTrack(data, trackBoxes(data, b), index.movieTimescale));
    }
    if (index.tracks.isEmpty() || index.movieTimescale == 0)
        return R::failure(failed(MediaFailure::Kind::movieNoTracks, path));
    return index;
}

BasicStatus<MediaFailure> MovieIndex::skipLeadingAudio(const QString &path, qint64 samples,
                                                        std::optional<qint64> length)
{
    using R = BasicStatus<MediaFailure>;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return R::failure(failed(MediaFailure::Kind::unreadable, path, FileError::last()));
    qint64 moovAt = 0;
    const std::optional<QByteArray> moov = readMoov(file, &moovAt);
    if (!moov)
        return R::failure(failed(MediaFailure::Kind::movieNoIndex, path));
    QByteArray data = *moov;
    const Box root{"moov", 0, 8, data.size()};
    const auto mvhd = child(data, root, "mvhd");
    if (!mvhd)
        return R::failure(failed(MediaFailure::Kind::movieNoTracks, path));
    const TimeFields movie = timeFields(data, *mvhd);
    for (const Box &trak : children(data, root.payload, root.end)) {
        if (trak.type != "trak")
            continue;
        const TrackBoxes b = trackBoxes(data, trak);
        const MovieTrack track = readTrack(data, b, movie.timescale);
        if (track.kind != MovieTrack::Kind::audio)
            continue;
        if (!b.elst || !b.tkhd || track.timescale == 0 || movie.timescale == 0)
            break;
        const EditFields edit = editFields(data, *b.elst);
        if (edit.entries != 1 || edit.mediaTime != 0 || track.mediaDuration <= samples)
            break;
        // The segment now plays the media from `samples` on.
        const qint64 media = std::min(track.mediaDuration - samples, length.value_or(track.mediaDuration));
        const quint64 played = quint64((media * movie.timescale + track.timescale / 2) / track.timescale);
        const auto put = [&data](qint64 at, quint64 value, bool wide) {
            if (wide)
                qToBigEndian<quint64>(value, data.data() + at);
            else
                qToBigEndian<quint32>(quint32(value), data.data() + at);
        };
        put(edit.segmentAt, played, edit.wide);
        put(edit.segmentAt + (edit.wide ? 8 : 4), quint64(samples), edit.wide);
        // The track's and the movie's presentation lengths follow the edit.
        const bool wideTrack = version(data, *b.tkhd) == 1;
        put(b.tkhd->payload + 4 + (wideTrack ? 24 : 16), played, wideTrack);
        put(movie.durationAt, played, movie.wide);
        if (!file.seek(moovAt) || file.write(data) != data.size() || !file.flush())
            return R::failure(failed(MediaFailure::Kind::unwritable, path, FileError::last()));
        return {};
    }
    return R::failure(failed(MediaFailure::Kind::movieNoAudioEdit, path));
}

} // namespace tandrel
