#include "speech/wav_file.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace tandrel {

AudioBuffer WavAudio::slice(qint64 first, qint64 count) const
{
    first = std::clamp<qint64>(first, 0, frames);
    count = std::clamp<qint64>(count, 0, frames - first);
    const int bpf = format.bytesPerFrame();
    return AudioBuffer{format, data.mid(qsizetype(first * bpf), qsizetype(count * bpf)), count,
                       double(first) / format.sampleRate};
}

Result<WavAudio> readWavFile(const QString &path)
{
    auto fail = [&](const QString &why) {
        return Result<WavAudio>::failure(
                QStringLiteral("WAV-Datei %1 konnte nicht gelesen werden: %2").arg(path, why));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("keine RIFF-WAVE-Datei"));

    WavAudio audio;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        quint32 size = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        // espeak-ng and other streaming writers leave the data size open.
        qsizetype available = std::min<qsizetype>(qsizetype(size), bytes.size() - body);
        if (id == "fmt " && available >= 16) {
            const char *f = bytes.constData() + body;
            quint16 tag = qFromLittleEndian<quint16>(f);
            quint16 channels = qFromLittleEndian<quint16>(f + 2);
            quint32 rate = qFromLittleEndian<quint32>(f + 4);
            quint16 bits = qFromLittleEndian<quint16>(f + 14);
            if (tag == 0xFFFE && available >= 26)
                tag = qFromLittleEndian<quint16>(f + 24);
            if (tag == 1 && bits == 16)
                audio.format.sampleFormat = SampleFormat::Int16;
            else if (tag == 3 && bits == 32)
                audio.format.sampleFormat = SampleFormat::Float32;
            else
                return fail(QStringLiteral("nur 16-Bit-PCM und 32-Bit-Float werden unterstützt"));
            audio.format.channels = channels;
            audio.format.sampleRate = int(rate);
            haveFormat = channels > 0 && rate > 0;
        } else if (id == "data") {
            if (!haveFormat)
                return fail(QStringLiteral("Datenblock vor dem Formatblock"));
            if (size == 0 || size == 0xFFFFFFFF)
                available = bytes.size() - body;
            const int bpf = audio.format.bytesPerFrame();
            audio.frames = available / bpf;
            audio.data = bytes.mid(body, qsizetype(audio.frames * bpf));
            return audio;
        }
        pos = body + qsizetype(size) + (size & 1);
    }
    return fail(QStringLiteral("kein Datenblock"));
}

} // namespace tandrel
