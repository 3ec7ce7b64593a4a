#include "media/wav_file.h"

#include "platform/file_error.h"

#include <QSysInfo>
#include <QtEndian>
#include <cerrno>

#include <algorithm>
#include <climits>

namespace tandrel {

namespace {

quint16 u16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The sample format named by a "fmt " chunk; Other for anything but 16-bit
// integer and 32-bit float PCM, also behind WAVE_FORMAT_EXTENSIBLE.
SampleFormat sampleFormatOf(const QByteArray &fmt)
{
    quint16 code = u16(fmt, 0);
    const quint16 bits = u16(fmt, 14);
    if (code == 0xFFFE) {
        // The sub-format GUID is the format code followed by a fixed tail.
        static const QByteArray guidTail = QByteArray::fromHex("000000001000800000aa00389b71");
        if (fmt.size() < 40 || fmt.mid(26, 14) != guidTail)
            return SampleFormat::Other;
        code = u16(fmt, 24);
    }
    if (code == 1 && bits == 16)
        return SampleFormat::Int16;
    if (code == 3 && bits == 32)
        return SampleFormat::Float32;
    return SampleFormat::Other;
}

void toHostOrder(QByteArray &data, SampleFormat format)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        const int width = format == SampleFormat::Int16 ? 2 : 4;
        for (qsizetype i = 0; i + width <= data.size(); i += width)
            std::reverse(data.begin() + i, data.begin() + i + width);
    }
}

// `cause` is read right where the call failed.
MediaFailure unreadable(const QFile &file, FileError cause)
{
    return {MediaFailure::Kind::unreadable, file.fileName(), cause};
}

MediaFailure damaged(MediaFailure::Kind kind, const QString &path)
{
    return {kind, path};
}

} // namespace

Result<std::shared_ptr<WavReader>, MediaFailure> WavReader::open(const QString &path)
{
    using R = Result<std::shared_ptr<WavReader>, MediaFailure>;
    auto reader = std::make_shared<WavReader>();
    QFile &file = reader->m_file;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::failure(unreadable(file, FileError::lastOpen(path)));
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return R::failure(damaged(MediaFailure::Kind::notWav, path));

    QByteArray fmt;
    qint64 dataOffset = -1;
    qint64 dataSize = 0;
    qint64 pos = 12;
    while (fmt.isEmpty() || dataOffset < 0) {
        if (!file.seek(pos))
            break;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            break;
        const qint64 size = u32(header, 4);
        const QByteArray id = header.left(4);
        if (id == "fmt ") {
            fmt = file.read(std::min<qint64>(size, 64));
            if (fmt.size() < 16)
                return R::failure(damaged(MediaFailure::Kind::wavFormatTooShort, path));
        } else if (id == "data") {
            dataOffset = pos + 8;
            dataSize = std::max<qint64>(0, std::min(size, file.size() - dataOffset));
        }
        pos += 8 + size + (size & 1);
    }
    if (fmt.isEmpty())
        return R::failure(damaged(MediaFailure::Kind::wavNoFormat, path));
    if (dataOffset < 0)
        return R::failure(damaged(MediaFailure::Kind::wavNoData, path));

    AudioFormat &format = reader->m_format;
    format.sampleFormat = sampleFormatOf(fmt);
    format.channels = u16(fmt, 2);
    const quint32 rate = u32(fmt, 4);
    if (format.sampleFormat == SampleFormat::Other)
        return R::failure(damaged(MediaFailure::Kind::wavUnsupported, path));
    // A rate past the signed range is no real recording; refusing it keeps
    // every time computed from it positive.
    if (format.channels < 1 || rate < 1 || rate > quint32(INT_MAX) || u16(fmt, 12) != format.bytesPerFrame())
        return R::failure(damaged(MediaFailure::Kind::wavFormatInvalid, path));
    format.sampleRate = int(rate);
    reader->m_dataOffset = dataOffset;
    reader->m_frames = dataSize / format.bytesPerFrame();
    return reader;
}

Result<AudioBuffer, MediaFailure> WavReader::read(qint64 first, qint64 count)
{
    first = std::clamp<qint64>(first, 0, m_frames);
    count = std::clamp<qint64>(count, 0, m_frames - first);
    const int frameBytes = m_format.bytesPerFrame();
    AudioBuffer buffer;
    buffer.format = m_format;
    buffer.frames = count;
    buffer.time = double(first) / m_format.sampleRate;
    errno = 0; // a short read sets none
    if (!m_file.seek(m_dataOffset + first * frameBytes))
        return Result<AudioBuffer, MediaFailure>::failure(unreadable(m_file, FileError::last()));
    buffer.data = m_file.read(count * frameBytes);
    if (buffer.data.size() != count * frameBytes)
        return Result<AudioBuffer, MediaFailure>::failure(unreadable(m_file, FileError::last()));
    toHostOrder(buffer.data, m_format.sampleFormat);
    return buffer;
}

AudioBuffer WavAudio::slice(qint64 first, qint64 count) const
{
    first = std::clamp<qint64>(first, 0, frames);
    count = std::clamp<qint64>(count, 0, frames - first);
    const int bpf = format.bytesPerFrame();
    return AudioBuffer{format, data.mid(qsizetype(first * bpf), qsizetype(count * bpf)), count,
                       double(first) / format.sampleRate};
}

Result<WavAudio, MediaFailure> readWavFile(const QString &path)
{
    auto opened = WavReader::open(path);
    if (!opened)
        return Result<WavAudio, MediaFailure>::failure(opened.error());
    WavReader &reader = *opened.value();
    const Result<AudioBuffer, MediaFailure> all = reader.read(0, reader.frames());
    if (!all)
        return Result<WavAudio, MediaFailure>::failure(all.error());
    return WavAudio{reader.format(), all->data, reader.frames()};
}

} // namespace tandrel
