#pragma once

// Test helpers: what independent tools (ffprobe, ffmpeg) say about a file.

#include "tests/support/run_tool.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstring>
#include <vector>

namespace tandrel::testing {

struct ProbedStream
{
    QString codec, profile;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    double bitRate = 0, duration = 0, startTime = 0;
    long frames = 0;
    QString frameRate, averageFrameRate, timeBase; // "30/1", "30/1", "1/3000"
    QString colorSpace, colorRange; // "bt709", "tv"; empty when the file does not say
    bool found = false;
};

// The first stream of `kind` ("v" or "a") as ffprobe reads it.
inline ProbedStream probeStream(const QString &path, const QString &kind)
{
    const QByteArray json
            = runTool("ffprobe",
                      {"-v", "error", "-select_streams", kind, "-show_streams", "-of", "json", path})
                      .output;
    const QJsonArray streams
            = QJsonDocument::fromJson(json).object().value(QStringLiteral("streams")).toArray();
    ProbedStream s;
    if (streams.isEmpty())
        return s;
    const QJsonObject o = streams.first().toObject();
    s.found = true;
    s.codec = o.value(QStringLiteral("codec_name")).toString();
    s.profile = o.value(QStringLiteral("profile")).toString();
    s.width = o.value(QStringLiteral("width")).toInt();
    s.height = o.value(QStringLiteral("height")).toInt();
    s.sampleRate = o.value(QStringLiteral("sample_rate")).toString().toInt();
    s.channels = o.value(QStringLiteral("channels")).toInt();
    s.bitRate = o.value(QStringLiteral("bit_rate")).toString().toDouble();
    s.duration = o.value(QStringLiteral("duration")).toString().toDouble();
    s.startTime = o.value(QStringLiteral("start_time")).toString().toDouble();
    s.frames = o.value(QStringLiteral("nb_frames")).toString().toLong();
    s.frameRate = o.value(QStringLiteral("r_frame_rate")).toString();
    s.averageFrameRate = o.value(QStringLiteral("avg_frame_rate")).toString();
    s.timeBase = o.value(QStringLiteral("time_base")).toString();
    s.colorSpace = o.value(QStringLiteral("color_space")).toString();
    s.colorRange = o.value(QStringLiteral("color_range")).toString();
    return s;
}

// The index of the first sample louder than `threshold` from `from` on, or -1.
inline qint64 firstLoudSample(const std::vector<float> &samples, float threshold = 0.05f, qint64 from = 0)
{
    for (size_t i = size_t(std::max<qint64>(from, 0)); i < samples.size(); ++i)
        if (std::abs(samples[i]) > threshold)
            return qint64(i);
    return -1;
}

// Seconds of media ffmpeg decodes from `path` without an error, or -1 when
// decoding fails.
inline double decodableSeconds(const QString &path)
{
    const ToolRun run = runTool(
            "ffmpeg", {"-v", "error", "-xerror", "-i", path, "-f", "null", "-progress", "pipe:1", "-"});
    if (run.exitCode != 0)
        return -1;
    double seconds = 0;
    for (const QByteArray &line : run.output.split('\n'))
        if (line.startsWith("out_time_us="))
            seconds = line.mid(12).toDouble() / 1e6;
    return seconds;
}

// The audio of `path` decoded to 48 kHz mono float samples.
inline std::vector<float> decodeAudio(const QString &path)
{
    const QByteArray raw
            = runTool("ffmpeg", {"-v", "error", "-i", path, "-ac", "1", "-ar", "48000", "-f", "f32le", "-"})
                      .output;
    std::vector<float> samples(size_t(raw.size()) / 4);
    std::memcpy(samples.data(), raw.constData(), samples.size() * 4);
    return samples;
}

// The video frame at `seconds`, decoded to RGB.
inline QImage decodeFrame(const QString &path, double seconds)
{
    const ProbedStream v = probeStream(path, "v");
    const QByteArray raw = runTool("ffmpeg",
                                   {"-v", "error", "-ss", QString::number(seconds), "-i", path, "-frames:v",
                                    "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"})
                                   .output;
    if (v.width <= 0 || raw.size() != qsizetype(v.width) * v.height * 3)
        return {};
    return QImage(reinterpret_cast<const uchar *>(raw.constData()), v.width, v.height, v.width * 3,
                  QImage::Format_RGB888)
            .copy();
}

// Mean colour of a rectangle of `image`.
inline QColor meanColour(const QImage &image, const QRect &area)
{
    double r = 0, g = 0, b = 0;
    long n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
            ++n;
        }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

} // namespace tandrel::testing
