// WAV files of any bytes: refused with a reason, or read consistently by the
// buffered reader and the whole-file reader alike.
#include "fuzz/fuzz_targets.h"

#include "fuzz/fuzz_input.h"
#include "media/wav_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace tandrel::fuzz {

int wavReader(const quint8 *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.wav"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    const Result<std::shared_ptr<WavReader>, MediaFailure> opened = WavReader::open(path);
    const Result<WavAudio, MediaFailure> whole = readWavFile(path);
    expect(opened.ok() == whole.ok(), "both readers take and refuse the same files");
    if (!opened || !whole) {
        expect(opened.ok() || whole.error() == opened.error(), "both readers give the same reason");
        return 0;
    }
    WavReader &reader = *opened.value();
    const AudioFormat format = reader.format();
    const qint64 frameBytes = format.bytesPerFrame();
    expect(format.channels >= 1 && format.sampleRate >= 1 && frameBytes > 0,
           "an opened file has a usable format");
    expect(reader.frames() >= 0 && reader.frames() * frameBytes <= qint64(size),
           "the frames lie within the file");
    expect(std::isfinite(reader.duration()) && reader.duration() >= 0, "the duration is a time");
    expect(whole->format == format && whole->frames == reader.frames()
                   && whole->data.size() == reader.frames() * frameBytes,
           "the whole file holds every frame");

    // A window to read, from the input's last bytes.
    const size_t tail = std::min<size_t>(size, 16);
    FuzzInput in(data + size - tail, tail);
    const qint64 first = in.integral<qint64>(), count = in.integral<qint64>();
    const Result<AudioBuffer, MediaFailure> buffer = reader.read(first, count);
    expect(buffer.ok(), "an opened file can be read");
    if (!buffer)
        return 0;
    const qint64 from = std::clamp<qint64>(first, 0, reader.frames());
    const qint64 frames = std::clamp<qint64>(count, 0, reader.frames() - from);
    expect(buffer->frames == frames && buffer->data.size() == frames * frameBytes,
           "a read gives the frames asked for, cut to the file");
    expect(buffer->data == whole->data.mid(from * frameBytes, frames * frameBytes),
           "a read gives the same samples as the whole file");
    expect(buffer->time == double(from) / format.sampleRate, "a read is stamped with its start time");
    const AudioBuffer slice = whole->slice(first, count);
    expect(slice.frames == frames && slice.data == buffer->data && slice.time == buffer->time,
           "a slice of the whole file equals the read");
    return 0;
}

} // namespace tandrel::fuzz
