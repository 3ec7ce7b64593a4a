#pragma once

// Synthetic camera frames and microphone buffers for tests and benchmarks
// of take recording.

#include "media/audio_buffer.h"

#include <gst/video/video.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace tandrel::testing {

// A mapped 1920 × 1080 BGRx camera frame: left half red, right half blue,
// with noise of ±`noise` levels per channel (0: flat colours). Noise keeps
// the encoder busy as a real camera's sensor does. `shift` moves the noise
// so that successive frames differ.
class TestCameraFrame
{
public:
    explicit TestCameraFrame(int noise = 0, int shift = 0, int width = 1920, int height = 1080)
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        gst_video_info_set_format(&m_info, GST_VIDEO_FORMAT_BGRx, width, height);
        m_buffer = gst_buffer_new_allocate(nullptr, m_info.size, nullptr);
        gst_video_frame_map(&m_frame, &m_info, m_buffer, GstMapFlags(GST_MAP_READ | GST_MAP_WRITE));
        std::minstd_rand random(1234 + shift);
        auto *pixels = static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&m_frame, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&m_frame, 0);
        for (int y = 0; y < height; ++y) {
            uint8_t *row = pixels + y * stride;
            for (int x = 0; x < width; ++x) {
                const bool left = x < width / 2;
                const int n = noise ? int(random() % (2 * noise + 1)) - noise : 0;
                row[4 * x + 0] = clamp((left ? 40 : 210) + n); // B
                row[4 * x + 1] = clamp(40 + n); // G
                row[4 * x + 2] = clamp((left ? 210 : 40) + n); // R
                row[4 * x + 3] = 255;
            }
        }
    }
    ~TestCameraFrame()
    {
        gst_video_frame_unmap(&m_frame);
        gst_buffer_unref(m_buffer);
    }
    TestCameraFrame(const TestCameraFrame &) = delete;
    TestCameraFrame &operator=(const TestCameraFrame &) = delete;

    const GstVideoFrame &frame() const { return m_frame; }
    GstBuffer *buffer() const { return m_buffer; }

private:
    static uint8_t clamp(int v) { return uint8_t(std::min(255, std::max(0, v))); }

    GstVideoInfo m_info;
    GstBuffer *m_buffer = nullptr;
    GstVideoFrame m_frame;
};

// `frame` converted by GStreamer's own converter to `format` with
// `colorimetry` ("bt601", "bt709", or range:matrix:transfer:primaries such as
// "1:4:5:4", BT.601 in full range as JPEG has it; none: GStreamer's default
// for the format and size), as a sample with its caps, as a camera's pipeline
// hands it over; none for a name GStreamer does not know. The caller unrefs it.
inline GstSample *convertedSample(const GstVideoFrame &frame, GstVideoFormat format,
                                  const char *colorimetry = nullptr)
{
    GstVideoInfo out;
    gst_video_info_set_format(&out, format, GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame));
    if (colorimetry && !gst_video_colorimetry_from_string(&out.colorimetry, colorimetry))
        return nullptr;
    GstVideoConverter *converter
            = gst_video_converter_new(const_cast<GstVideoInfo *>(&frame.info), &out, nullptr);
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, out.size, nullptr);
    GstVideoFrame target;
    gst_video_frame_map(&target, &out, buffer, GST_MAP_WRITE);
    gst_video_converter_frame(converter, &frame, &target);
    gst_video_frame_unmap(&target);
    gst_video_converter_free(converter);
    GstCaps *caps = gst_video_info_to_caps(&out);
    GstSample *sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

// `frames` frames of a 440 Hz sine at `rate`, `channels` interleaved float
// channels, starting at sample index `first` (for a continuous tone), with
// white noise of `noise` amplitude added.
inline AudioBuffer sineBuffer(int rate, int channels, qint64 first, qint64 frames, double time,
                              float amplitude = 0.3f, float noise = 0)
{
    std::minstd_rand random(uint32_t(first) + 1);
    std::uniform_real_distribution<float> jitter(-noise, noise);
    AudioBuffer b;
    b.format = {rate, channels, SampleFormat::Float32};
    b.frames = frames;
    b.time = time;
    b.data.resize(frames * channels * 4);
    auto *s = reinterpret_cast<float *>(b.data.data());
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = amplitude * float(std::sin(2 * M_PI * 440.0 * double(first + i) / rate))
                    + (noise > 0 ? jitter(random) : 0.0f);
    return b;
}

} // namespace tandrel::testing
