#include "capture/audio_level.h"
#include "cli/cli_context.h"
#include "speech/speech_activity_tracker.h"

#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <QtEndian>

namespace tandrel::cli {

namespace {

constexpr auto levelsUsage = "levels FILE.wav [--buffer-frames N]";
constexpr qint64 defaultBufferFrames = 1024;

// Where the samples of a WAV file lie and what they are.
struct WavData
{
    AudioFormat format;
    qint64 offset = 0; // of the first sample in the file
    qint64 frames = 0;
};

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

// Walks the RIFF chunks for "fmt " and "data", in any order, skipping others
// (odd sizes are padded to even). A data size beyond the end of the file,
// as streaming writers leave it, is cut to what the file holds.
std::optional<WavData> readWavHeader(QFile &file, QString *error)
{
    const QString path = file.fileName();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") {
        *error = QStringLiteral("Keine WAV-Datei: %1").arg(path);
        return std::nullopt;
    }
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
            if (fmt.size() < 16) {
                *error = QStringLiteral("Beschädigte WAV-Datei (Formatangabe zu kurz): %1").arg(path);
                return std::nullopt;
            }
        } else if (id == "data") {
            dataOffset = pos + 8;
            dataSize = std::min(size, file.size() - dataOffset);
        }
        pos += 8 + size + (size & 1);
    }
    if (fmt.isEmpty()) {
        *error = QStringLiteral("Beschädigte WAV-Datei (keine Formatangabe): %1").arg(path);
        return std::nullopt;
    }
    if (dataOffset < 0) {
        *error = QStringLiteral("Beschädigte WAV-Datei (keine Audiodaten): %1").arg(path);
        return std::nullopt;
    }
    WavData wav;
    wav.format.sampleFormat = sampleFormatOf(fmt);
    wav.format.channels = u16(fmt, 2);
    wav.format.sampleRate = int(std::min<quint32>(u32(fmt, 4), quint32(INT_MAX)));
    if (wav.format.sampleFormat == SampleFormat::Other) {
        *error = QStringLiteral("Nicht unterstütztes WAV-Format in %1: gelesen werden nur 16-Bit-PCM "
                                "und 32-Bit-Gleitkomma.")
                         .arg(path);
        return std::nullopt;
    }
    if (wav.format.channels < 1 || wav.format.sampleRate < 1 || u16(fmt, 12) != wav.format.bytesPerFrame()) {
        *error = QStringLiteral("Beschädigte WAV-Datei (ungültige Formatangabe): %1").arg(path);
        return std::nullopt;
    }
    wav.offset = dataOffset;
    wav.frames = dataSize / wav.format.bytesPerFrame();
    return wav;
}

void toHostOrder(QByteArray &data, SampleFormat format)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        const int width = format == SampleFormat::Int16 ? 2 : 4;
        for (qsizetype i = 0; i + width <= data.size(); i += width)
            std::reverse(data.begin() + i, data.begin() + i + width);
    }
}

QString seconds(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

int runLevels(CliContext &ctx)
{
    bool missing = false;
    const std::optional<QString> framesText = ctx.takeOption(QStringLiteral("--buffer-frames"), &missing);
    if (missing || ctx.args.size() != 1)
        return ctx.usage(QLatin1String(levelsUsage));
    qint64 bufferFrames = defaultBufferFrames;
    if (framesText) {
        bool ok = false;
        bufferFrames = framesText->toLongLong(&ok);
        if (!ok || bufferFrames < 1) {
            ctx.err << "--buffer-frames erwartet eine positive ganze Zahl." << Qt::endl;
            return ctx.usage(QLatin1String(levelsUsage));
        }
    }

    QFile file(ctx.args.first());
    if (!file.open(QIODevice::ReadOnly))
        return ctx.fail(QStringLiteral("Datei konnte nicht gelesen werden: %1 (%2)")
                                .arg(file.fileName(), file.errorString()));
    QString error;
    const std::optional<WavData> wav = readWavHeader(file, &error);
    if (!wav)
        return ctx.fail(error);

    // Buffer by buffer, as the recorder measures microphone buffers.
    SpeechActivityTracker tracker;
    double latestTime = 0;
    const int frameBytes = wav->format.bytesPerFrame();
    const double rate = wav->format.sampleRate;
    if (!file.seek(wav->offset))
        return ctx.fail(QStringLiteral("Datei konnte nicht gelesen werden: %1 (%2)")
                                .arg(file.fileName(), file.errorString()));
    for (qint64 first = 0; first < wav->frames; first += bufferFrames) {
        AudioBuffer buffer;
        buffer.format = wav->format;
        buffer.frames = std::min(bufferFrames, wav->frames - first);
        buffer.data = file.read(buffer.frames * frameBytes);
        if (buffer.data.size() != buffer.frames * frameBytes)
            return ctx.fail(QStringLiteral("Datei konnte nicht gelesen werden: %1 (%2)")
                                    .arg(file.fileName(), file.errorString()));
        toHostOrder(buffer.data, wav->format.sampleFormat);
        buffer.time = double(first) / rate;
        if (const std::optional<float> level = audioLevel(buffer)) {
            tracker.process(*level, buffer.time);
            latestTime = std::max(latestTime, buffer.time);
        }
    }
    const QList<SpeechInterval> intervals = tracker.finish(double(wav->frames) / rate, latestTime);

    if (ctx.json) {
        // Written by hand so that the members keep the order the format names;
        // the shortest decimal text of a double is a valid JSON number.
        QStringList objects;
        for (const SpeechInterval &interval : intervals)
            objects.append(QStringLiteral("{\"start\": %1, \"end\": %2}")
                                   .arg(seconds(interval.start), seconds(interval.end)));
        ctx.out << '[' << objects.join(QStringLiteral(", ")) << "]\n";
    } else {
        for (const SpeechInterval &interval : intervals)
            ctx.out << seconds(interval.start) << ' ' << seconds(interval.end) << '\n';
    }
    return 0;
}

} // namespace tandrel::cli
