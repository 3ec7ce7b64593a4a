#pragma once

// Test helper: a take recorded through the real capture path from a test
// camera that flashes and a test microphone that beeps at the same instants
// of the capture clock, the whole seconds, and the measurement of both in
// the files made from it.

#include "capture/capture_pipeline.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "capture/media_probe.h"
#include "capture/output_stage.h"
#include "capture/take_recorder.h"
#include "library/library_store.h"
#include "platform/serial_queue.h"
#include "tests/support/wait_until.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <iostream>

namespace tandrel::testing {

// From each whole second of the clock on; long enough that a loaded machine,
// which drops a camera frame now and then, keeps every flash.
inline constexpr double flashSeconds = 0.3;
inline constexpr double frameSeconds = 1.0 / 30;

// Seconds on the clock of the element's pipeline at the buffer's time.
inline double clockTime(GstPad *pad, GstBuffer *buffer)
{
    GstElement *element = GST_ELEMENT(GST_PAD_PARENT(pad));
    return double(gst_element_get_base_time(element) + GST_BUFFER_PTS(buffer)) / GST_SECOND;
}

inline bool flashing(double seconds)
{
    return seconds - std::floor(seconds) < flashSeconds;
}

// A frame shows what happens around its middle: white while the flash lasts.
inline GstPadProbeReturn paintFlash(GstPad *pad, GstPadProbeInfo *info, gpointer)
{
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    if (flashing(clockTime(pad, buffer) + frameSeconds / 2)) {
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
            memset(map.data, 0xff, map.size);
            gst_buffer_unmap(buffer, &map);
        }
    }
    return GST_PAD_PROBE_OK;
}

// Each sample beeps (1 kHz) while the flash lasts, from the sample at the
// whole second on.
inline GstPadProbeReturn paintBeep(GstPad *pad, GstPadProbeInfo *info, gpointer)
{
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    const double start = clockTime(pad, buffer);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        auto *samples = reinterpret_cast<float *>(map.data);
        for (gsize i = 0; i < map.size / 4; ++i) {
            const double t = start + double(i) / 48000;
            samples[i] = flashing(t) ? 0.5f * float(std::sin(2 * M_PI * 1000 * t)) : 0.0f;
        }
        gst_buffer_unmap(buffer, &map);
    }
    return GST_PAD_PROBE_OK;
}

// A live test source whose element named "src" is painted by `probe`.
GstElement *paintedSource(const char *description, GstPadProbeCallback probe)
{
    GstElement *bin = gst_parse_bin_from_description(description, TRUE, nullptr);
    GstElement *source = gst_bin_get_by_name(GST_BIN(bin), "src");
    GstPad *pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, probe, nullptr, nullptr);
    gst_object_unref(pad);
    gst_object_unref(source);
    return bin;
}

// Seconds into `path` at which the picture turns white, from its frames'
// count at the stream's own frame rate.
inline QList<double> flashes(const QString &path)
{
    const QStringList rate = probeStream(path, QStringLiteral("v")).frameRate.split(QLatin1Char('/'));
    const double frameSeconds
            = rate.size() == 2 && rate[0].toDouble() > 0 ? rate[1].toDouble() / rate[0].toDouble() : 0;
    EXPECT_GT(frameSeconds, 0) << path.toStdString();
    const QByteArray gray
            = runTool("ffmpeg",
                      {"-v", "error", "-i", path, "-vf", "scale=8:8,format=gray", "-f", "rawvideo", "-"})
                      .output;
    QList<double> onsets;
    bool previous = false;
    for (qsizetype frame = 0; frame * 64 + 64 <= gray.size(); ++frame) {
        const bool white = quint8(gray.at(frame * 64 + 27)) > 128;
        if (white && !previous)
            onsets.append(frame * frameSeconds);
        previous = white;
    }
    return onsets;
}

// Seconds into `path` at which a beep begins after silence.
inline QList<double> beeps(const QString &path)
{
    const std::vector<float> samples = decodeAudio(path);
    QList<double> onsets;
    for (qint64 from = 0;;) {
        const qint64 onset = firstLoudSample(samples, 0.1f, from);
        if (onset < 0)
            break;
        onsets.append(double(onset) / 48000);
        from = onset + 24000; // past this beep
    }
    return onsets;
}

inline std::string millis(const QList<double> &seconds)
{
    std::string text;
    for (const double s : seconds)
        text += std::to_string(int(std::lround(s * 1000))) + " ms ";
    return text;
}

// How far each flash lies from the beep nearest to it, in seconds (positive:
// the picture is late). Every flash and every beep well inside the files
// must have its partner; one that the start or the end of the files may cut
// is measured only when its partner is there. Fails when there are too few
// or one lacks its partner.
inline QList<double> offsets(const QString &video, const QString &audio)
{
    const double end = std::min(probeStream(video, QStringLiteral("v")).duration,
                                probeStream(audio, QStringLiteral("a")).duration);
    const auto inside = [end](double t) { return t > 0.2 && t < end - flashSeconds - 0.2; };
    const QList<double> f = flashes(video), b = beeps(audio);
    const auto nearest = [](double t, const QList<double> &others) {
        double best = 1e9;
        for (const double other : others)
            if (std::abs(t - other) < std::abs(best))
                best = t - other;
        return best;
    };
    QList<double> result;
    for (const double flash : f) {
        const double offset = nearest(flash, b);
        if (inside(flash) || std::abs(offset) < 0.25)
            result.append(offset);
    }
    for (const double beep : b)
        EXPECT_TRUE(!inside(beep) || std::abs(nearest(beep, f)) < 0.25)
                << video.toStdString() << ": no flash for the beep at " << millis({beep}) << "; flashes at "
                << millis(f) << ", beeps at " << millis(b);
    EXPECT_GE(result.size(), 3) << video.toStdString() << ": flashes at " << millis(f) << ", beeps at "
                                << millis(b);
    return result;
}

// The picture meets the sound within a frame. A camera frame dropped on a
// loaded machine repeats the one before it and so may show one flash a frame
// late, no more: the median is held to a frame, each flash to two.
inline void expectWithinAFrame(const QList<double> &measured, const char *what)
{
    std::cout << "[ sync ] " << what << ": flash minus beep " << millis(measured) << '\n';
    if (measured.isEmpty())
        return;
    QList<double> sizes;
    for (const double offset : measured) {
        EXPECT_LE(std::abs(offset), 2 * frameSeconds + 0.001) << what << ": " << millis(measured);
        sizes.append(std::abs(offset));
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_LE(sizes.at(sizes.size() / 2), frameSeconds + 0.001) << what << ": " << millis(measured);
}

// Records a take of at least `seconds` into `reel` and adds it to the
// library; `recorded` holds it afterwards. Use with ASSERT_NO_FATAL_FAILURE.
inline void recordFlashBeepTake(LibraryStore &store, const ReelProject &reel, double seconds,
                                std::optional<Take> &recorded)
{
    ensureGstInitialized();
    // The capture path: pipelines on the shared clock, the output queue, the recorder.
    QObject context;
    SerialQueue sessionQueue("test.session");
    std::unique_ptr<TakeRecorder> recorder;
    OutputStage::Handlers handlers;
    handlers.videoFrame = [&](const VideoFrame &frame) { recorder->recordVideoFrame(frame); };
    handlers.audioBuffer = [&](const AudioBuffer &buffer) { recorder->recordAudioBuffer(buffer); };
    handlers.previewFrame = [](const QImage &) {};
    handlers.cameraAspect = [](double) {};
    OutputStage output(&context, handlers);
    TakeRecorder::Display display;
    display.status = [](CaptureStatus) {};
    display.lastError
            = [](const CaptureNotice &notice) { ADD_FAILURE() << "capture notice " << int(notice.kind); };
    display.videoSourceSelected = [] { return true; };
    recorder = std::make_unique<TakeRecorder>(sessionQueue, output.queue(), display);

    auto relay = LatestFrameRelay::create(output.queue(),
                                          [&](const VideoFrame &frame) { output.handleCameraFrame(frame); });
    std::atomic<int> frames{0}, buffers{0};
    CapturePipeline::Handlers camera;
    camera.onSample = [&](GstSample *sample, double time) {
        ++frames;
        relay->push(sample, time);
    };
    auto cameraPipeline = CapturePipeline::start(
            paintedSource("videotestsrc name=src is-live=true pattern=black"
                          " ! video/x-raw,format=BGRA,width=640,height=360,framerate=30/1",
                          paintFlash),
            QStringLiteral("videoconvert ! capsfilter caps=\"video/x-raw,format=BGRA\""), true, camera);
    ASSERT_TRUE(cameraPipeline.ok()) << cameraPipeline.error().detail.toStdString();
    CapturePipeline::Handlers microphone;
    microphone.onSample = [&](GstSample *sample, double time) {
        ++buffers;
        gst_sample_ref(sample);
        output.queue().post([&output, sample, time] {
            output.handleAudioSample(sample, time);
            gst_sample_unref(sample);
        });
    };
    auto microphonePipeline = CapturePipeline::start(
            paintedSource("audiotestsrc name=src is-live=true wave=silence samplesperbuffer=480"
                          " ! audio/x-raw,format=F32LE,rate=48000,channels=1",
                          paintBeep),
            QStringLiteral("audioconvert ! capsfilter caps=\"audio/x-raw,format=F32LE,layout=interleaved\""),
            false, microphone);
    ASSERT_TRUE(microphonePipeline.ok()) << microphonePipeline.error().detail.toStdString();
    ASSERT_TRUE(waitUntil([&] { return frames > 10 && buffers > 10; }, 30000));

    std::optional<Take> take;
    bool finished = false;
    recorder->startRecording(store.takesFolder(reel), QStringLiteral("camera"), QStringLiteral("mic"),
                             [&](const Result<Take, CaptureNotice> &r) {
                                 finished = true;
                                 if (r.ok())
                                     take = r.value();
                             });
    ASSERT_TRUE(waitUntil([&] { return recorder->isRecording(); }, 30000));
    ASSERT_TRUE(waitUntil([&] { return recorder->recordedDuration() >= seconds; }, 60000));
    recorder->stopRecording();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 90000));
    relay->close();
    ASSERT_TRUE(take && take->videoFileName && take->audioFileName);
    store.addTake(*take, reel.id);
    recorded = take;
}

} // namespace tandrel::testing
