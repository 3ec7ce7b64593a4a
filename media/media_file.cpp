#include "media/media_file.h"

#include "media/audio_level.h"
#include "media/speech_activity_tracker.h"

#include <QFile>
#include <QUrl>
#include <cmath>
#include <functional>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <memory>

namespace tandrel {

namespace {

constexpr GstClockTime probeTimeout = 30 * GST_SECOND;

QString unreadable(const QString &path, const QString &why)
{
    return QStringLiteral("Mediendatei %1 konnte nicht gelesen werden: %2").arg(path, why);
}

QString errorText(GError *error)
{
    const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("unbekannter Fehler");
    if (error)
        g_error_free(error);
    return text;
}

struct PipelineDeleter
{
    void operator()(GstElement *pipeline) const
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
};

} // namespace

Result<double> mediaDuration(const QString &path)
{
    gst_init_check(nullptr, nullptr, nullptr);
    GError *error = nullptr;
    GstDiscoverer *discoverer = gst_discoverer_new(probeTimeout, &error);
    if (!discoverer)
        return Result<double>::failure(unreadable(path, errorText(error)));
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    GstDiscovererInfo *info = gst_discoverer_discover_uri(discoverer, uri.constData(), &error);
    g_object_unref(discoverer);
    if (!info)
        return Result<double>::failure(unreadable(path, errorText(error)));
    const GstDiscovererResult result = gst_discoverer_info_get_result(info);
    const GstClockTime duration = gst_discoverer_info_get_duration(info);
    g_object_unref(info);
    if (error)
        g_error_free(error);
    if (result != GST_DISCOVERER_OK || !GST_CLOCK_TIME_IS_VALID(duration) || duration == 0)
        return Result<double>::failure(unreadable(path, QStringLiteral("keine abspielbaren Daten")));
    return double(duration) / GST_SECOND;
}

namespace {

// Decodes the audio of `path` to raw buffers of `caps` and hands each on in
// order; fails with the decoder's reason when the file does not play to its end.
Status forEachAudioBuffer(const QString &path, const char *caps,
                          const std::function<void(AudioBuffer)> &onBuffer)
{
    gst_init_check(nullptr, nullptr, nullptr);
    GError *error = nullptr;
    const QByteArray description
            = QByteArray("filesrc name=source ! decodebin ! audioconvert ! audioresample ! ") + caps
            + " ! appsink name=sink sync=false";
    GstElement *raw = gst_parse_launch(description.constData(), &error);
    if (!raw)
        return Status::failure(unreadable(path, errorText(error)));
    if (error)
        g_error_free(error);
    const std::unique_ptr<GstElement, PipelineDeleter> pipeline(raw);
    GstElement *source = gst_bin_get_by_name(GST_BIN(raw), "source");
    g_object_set(source, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(source);
    GstElement *sinkElement = gst_bin_get_by_name(GST_BIN(raw), "sink");
    GstAppSink *sink = GST_APP_SINK(sinkElement);
    if (gst_element_set_state(raw, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_object_unref(sinkElement);
        return Status::failure(unreadable(path, QStringLiteral("Datei lässt sich nicht öffnen")));
    }
    double end = 0;
    while (GstSample *sample = gst_app_sink_try_pull_sample(sink, probeTimeout)) {
        GstBuffer *buffer = gst_sample_get_buffer(sample);
        const GstStructure *structure = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        AudioBuffer audio;
        const char *format = gst_structure_get_string(structure, "format");
        audio.format.sampleFormat
                = format && qstrcmp(format, "S16LE") == 0 ? SampleFormat::Int16 : SampleFormat::Float32;
        gst_structure_get_int(structure, "rate", &audio.format.sampleRate);
        gst_structure_get_int(structure, "channels", &audio.format.channels);
        GstMapInfo map;
        if (audio.format.bytesPerFrame() > 0 && audio.format.sampleRate > 0
            && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            audio.data = QByteArray(reinterpret_cast<const char *>(map.data), qsizetype(map.size));
            audio.frames = qint64(map.size) / audio.format.bytesPerFrame();
            gst_buffer_unmap(buffer, &map);
            audio.time = GST_BUFFER_PTS_IS_VALID(buffer) ? double(GST_BUFFER_PTS(buffer)) / GST_SECOND : end;
            end = std::max(end, audio.time + double(audio.frames) / audio.format.sampleRate);
            onBuffer(std::move(audio));
        }
        gst_sample_unref(sample);
    }
    const bool reachedEnd = gst_app_sink_is_eos(sink);
    gst_object_unref(sinkElement);
    if (reachedEnd)
        return {};
    GstBus *bus = gst_element_get_bus(raw);
    GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    QString why = QStringLiteral("Datei ist beschädigt");
    if (message) {
        GError *busError = nullptr;
        gst_message_parse_error(message, &busError, nullptr);
        why = errorText(busError);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return Status::failure(unreadable(path, why));
}

} // namespace

Result<QList<SpeechInterval>> speechInAudioFile(const QString &path)
{
    SpeechActivityTracker tracker;
    double latest = 0, end = 0;
    const Status played = forEachAudioBuffer(
            path, "audio/x-raw,format=F32LE,layout=interleaved", [&](const AudioBuffer &audio) {
                end = std::max(end, audio.time + double(audio.frames) / audio.format.sampleRate);
                if (const std::optional<float> level = audioLevel(audio)) {
                    tracker.process(*level, audio.time);
                    latest = std::max(latest, audio.time);
                }
            });
    if (!played)
        return Result<QList<SpeechInterval>>::failure(played.error());
    return tracker.finish(end, latest);
}

Result<WavAudio> monoAudioOfFile(const QString &path, int sampleRate)
{
    WavAudio audio;
    audio.format = AudioFormat{sampleRate, 1, SampleFormat::Int16};
    const QByteArray caps
            = "audio/x-raw,format=S16LE,layout=interleaved,channels=1,rate=" + QByteArray::number(sampleRate);
    const Status played = forEachAudioBuffer(path, caps.constData(), [&](const AudioBuffer &buffer) {
        // Samples lie where their time says: a gap in the file stays silent.
        const qint64 at = std::llround(buffer.time * sampleRate);
        if (at > audio.frames) {
            audio.data.append(QByteArray((at - audio.frames) * 2, 0));
            audio.frames = at;
        }
        audio.data.append(buffer.data);
        audio.frames += buffer.frames;
    });
    if (!played)
        return Result<WavAudio>::failure(played.error());
    return audio;
}

} // namespace tandrel
