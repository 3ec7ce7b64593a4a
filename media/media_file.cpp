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

// The decoder's failure with its own words, if it gave any; frees `error`.
MediaFailure notDecoded(const QString &path, GError *error)
{
    MediaFailure failure{MediaFailure::Kind::notDecoded, path};
    if (error) {
        failure.detail = QString::fromUtf8(error->message);
        g_error_free(error);
    }
    return failure;
}

// The failure the pipeline posted, in the decoder's words if it gave any.
MediaFailure pipelineFailure(GstElement *pipeline, const QString &path)
{
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    GError *busError = nullptr;
    if (message) {
        gst_message_parse_error(message, &busError, nullptr);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return notDecoded(path, busError);
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

Result<double, MediaFailure> mediaDuration(const QString &path)
{
    gst_init_check(nullptr, nullptr, nullptr);
    GError *error = nullptr;
    GstDiscoverer *discoverer = gst_discoverer_new(probeTimeout, &error);
    if (!discoverer)
        return Result<double, MediaFailure>::failure(notDecoded(path, error));
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    GstDiscovererInfo *info = gst_discoverer_discover_uri(discoverer, uri.constData(), &error);
    g_object_unref(discoverer);
    if (!info)
        return Result<double, MediaFailure>::failure(notDecoded(path, error));
    const GstDiscovererResult result = gst_discoverer_info_get_result(info);
    const GstClockTime duration = gst_discoverer_info_get_duration(info);
    g_object_unref(info);
    if (error)
        g_error_free(error);
    if (result != GST_DISCOVERER_OK || !GST_CLOCK_TIME_IS_VALID(duration) || duration == 0)
        return Result<double, MediaFailure>::failure({MediaFailure::Kind::notPlayable, path});
    return double(duration) / GST_SECOND;
}

namespace {

// Decodes the audio of `path` to raw buffers of `caps` and hands each on in
// order; fails with the decoder's reason when the file does not play to its end.
BasicStatus<MediaFailure> forEachAudioBuffer(const QString &path, const char *caps,
                                             const std::function<void(AudioBuffer)> &onBuffer)
{
    gst_init_check(nullptr, nullptr, nullptr);
    GError *error = nullptr;
    const QByteArray description
            = QByteArray("filesrc name=source ! decodebin ! audioconvert ! audioresample ! ") + caps
            + " ! appsink name=sink sync=false";
    GstElement *raw = gst_parse_launch(description.constData(), &error);
    if (!raw)
        return BasicStatus<MediaFailure>::failure(notDecoded(path, error));
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
        return BasicStatus<MediaFailure>::failure(pipelineFailure(raw, path));
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
    return BasicStatus<MediaFailure>::failure(pipelineFailure(raw, path));
}

} // namespace

Result<QList<SpeechInterval>, MediaFailure> speechInAudioFile(const QString &path)
{
    SpeechActivityTracker tracker;
    double latest = 0, end = 0;
    const BasicStatus<MediaFailure> played = forEachAudioBuffer(
            path, "audio/x-raw,format=F32LE,layout=interleaved", [&](const AudioBuffer &audio) {
                end = std::max(end, audio.time + double(audio.frames) / audio.format.sampleRate);
                if (const std::optional<float> level = audioLevel(audio)) {
                    tracker.process(*level, audio.time);
                    latest = std::max(latest, audio.time);
                }
            });
    if (!played)
        return Result<QList<SpeechInterval>, MediaFailure>::failure(played.error());
    return tracker.finish(end, latest);
}

Result<WavAudio, MediaFailure> monoAudioOfFile(const QString &path, int sampleRate)
{
    WavAudio audio;
    audio.format = AudioFormat{sampleRate, 1, SampleFormat::Int16};
    const QByteArray caps
            = "audio/x-raw,format=S16LE,layout=interleaved,channels=1,rate=" + QByteArray::number(sampleRate);
    const BasicStatus<MediaFailure> played
            = forEachAudioBuffer(path, caps.constData(), [&](const AudioBuffer &buffer) {
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
        return Result<WavAudio, MediaFailure>::failure(played.error());
    return audio;
}

} // namespace tandrel
