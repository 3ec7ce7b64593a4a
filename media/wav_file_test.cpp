#include "media/wav_file.h"

#include "tests/support/test_files.h"
#include "tests/support/wav_builder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace tandrel;
using tandrel::testing::wavFile;
using tandrel::testing::WavLayout;

namespace {

QString written(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(tandrel::testing::writeFile(path, bytes));
    return path;
}

WavLayout layout(quint16 tag, quint16 bits, quint16 channels = 1, quint32 rate = 8000)
{
    WavLayout l;
    l.formatTag = tag;
    l.subFormat = tag == 0xFFFE ? (bits == 32 ? 3 : 1) : 1;
    l.bits = bits;
    l.channels = channels;
    l.rate = rate;
    return l;
}

} // namespace

// The whole-file reader (follow) and the buffered reader (levels) are one
// reader: every file is taken or refused by both alike.
TEST(WavReader, TakesAndRefusesTheSameFilesWholeOrBufferByBuffer)
{
    QTemporaryDir dir;
    WavLayout streaming = layout(1, 16);
    streaming.streamingSize = true;
    WavLayout padded = layout(3, 32, 2, 16000);
    padded.chunkBeforeData = QByteArray("LIST\3\0\0\0abc\0", 12);
    WavLayout hugeRate = layout(1, 16, 1, 0x80000000u);
    WavLayout noData = layout(1, 16);
    noData.withData = false;
    using Kind = MediaFailure::Kind;
    const Kind unsupported = Kind::wavUnsupported;

    const struct
    {
        const char *name;
        QByteArray bytes;
        SampleFormat format;
        int channels;
        qint64 frames;
        std::optional<Kind> error; // why the file is refused
    } cases[] = {
            {"int16", wavFile(layout(1, 16), QByteArray(800, '\1')), SampleFormat::Int16, 1, 400, {}},
            {"float stereo after an odd chunk",
             wavFile(padded, QByteArray(800, '\0')),
             SampleFormat::Float32,
             2,
             100,
             {}},
            {"extensible float",
             wavFile(layout(0xFFFE, 32), QByteArray(400, '\0')),
             SampleFormat::Float32,
             1,
             100,
             {}},
            {"open data size", wavFile(streaming, QByteArray(802, '\0')), SampleFormat::Int16, 1, 401, {}},
            {"8-bit", wavFile(layout(1, 8), QByteArray(8, '\0')), {}, 0, 0, unsupported},
            {"24-bit", wavFile(layout(1, 24), QByteArray(6, '\0')), {}, 0, 0, unsupported},
            {"32-bit integers", wavFile(layout(1, 32), QByteArray(8, '\1')), {}, 0, 0, unsupported},
            {"rate past 31 bits", wavFile(hugeRate, QByteArray(8, '\0')), {}, 0, 0, Kind::wavFormatInvalid},
            {"no data chunk", wavFile(noData, {}), {}, 0, 0, Kind::wavNoData},
            {"text", QByteArray("keine Audiodatei"), {}, 0, 0, Kind::notWav},
            {"empty", QByteArray(), {}, 0, 0, Kind::notWav},
    };
    for (const auto &c : cases) {
        const QString path = written(dir, QString::fromUtf8(c.name), c.bytes);
        const Result<WavAudio, MediaFailure> whole = readWavFile(path);
        auto opened = WavReader::open(path);
        ASSERT_EQ(whole.ok(), opened.ok()) << c.name;
        if (c.error) {
            ASSERT_FALSE(whole.ok()) << c.name;
            EXPECT_EQ(whole.error(), (MediaFailure{*c.error, path})) << c.name;
            EXPECT_EQ(opened.error(), whole.error()) << c.name;
            continue;
        }
        ASSERT_TRUE(whole.ok()) << c.name;
        EXPECT_EQ(whole->format.sampleFormat, c.format) << c.name;
        EXPECT_EQ(whole->format.channels, c.channels) << c.name;
        EXPECT_EQ(whole->frames, c.frames) << c.name;

        // Buffer by buffer gives the same samples, stamped with their time.
        WavReader &reader = *opened.value();
        QByteArray joined;
        for (qint64 first = 0; first < reader.frames(); first += 64) {
            const Result<AudioBuffer, MediaFailure> buffer = reader.read(first, 64);
            ASSERT_TRUE(buffer.ok()) << c.name;
            EXPECT_DOUBLE_EQ(buffer->time, double(first) / reader.format().sampleRate) << c.name;
            joined += buffer->data;
        }
        EXPECT_EQ(joined, whole->data) << c.name;
    }
}
