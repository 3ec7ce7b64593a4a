#pragma once

// Test helper: WAV files built byte by byte, with the layouts real writers use.

#include <QByteArray>
#include <QtEndian>

namespace tandrel::testing {

// A WAV file from the pieces a RIFF writer puts in it.
struct WavLayout
{
    quint16 formatTag = 1; // 1 PCM, 3 float, 0xFFFE extensible
    quint16 subFormat = 1; // behind the extensible tag
    quint16 bits = 16;
    quint16 channels = 1;
    quint32 rate = 8000;
    QByteArray chunkBeforeData; // a whole chunk, written between "fmt " and "data"
    bool streamingSize = false; // data size left at 0xFFFFFFFF
    bool withData = true;
};

template<typename T> void put(QByteArray &bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(T));
}

inline QByteArray wavFile(const WavLayout &layout, const QByteArray &samples)
{
    QByteArray fmt;
    put<quint16>(fmt, layout.formatTag);
    put<quint16>(fmt, layout.channels);
    put<quint32>(fmt, layout.rate);
    put<quint32>(fmt, layout.rate * layout.channels * layout.bits / 8);
    put<quint16>(fmt, layout.channels * layout.bits / 8);
    put<quint16>(fmt, layout.bits);
    if (layout.formatTag == 0xFFFE) {
        put<quint16>(fmt, 22);
        put<quint16>(fmt, layout.bits);
        put<quint32>(fmt, 0);
        put<quint16>(fmt, layout.subFormat);
        fmt.append(QByteArray::fromHex("000000001000800000aa00389b71"));
    }
    QByteArray body("WAVEfmt ");
    put<quint32>(body, quint32(fmt.size()));
    body += fmt + layout.chunkBeforeData;
    if (layout.withData) {
        body += "data";
        put<quint32>(body, layout.streamingSize ? 0xFFFFFFFFu : quint32(samples.size()));
        body += samples;
    }
    QByteArray file("RIFF");
    put<quint32>(file, quint32(body.size()));
    return file + body;
}

} // namespace tandrel::testing
