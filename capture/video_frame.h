#pragma once

#include <QImage>
#include <gst/video/video-info.h>
#include <memory>

typedef struct _GstSample GstSample;

namespace tandrel {

// One captured picture in memory, as its pipeline delivered it: 32-bit BGRA
// rows (B, G, R, A bytes, alpha opaque), or a camera's own 4:2:0 or 4:2:2
// YUV, which the recorder renders from directly; with the capture time on the
// clock that microphone buffers use too (AudioBuffer::time). Copies share the
// pixels; the memory stays valid while any copy lives.
class VideoFrame
{
public:
    VideoFrame() = default;

    // Maps a sample of one of the formats below for reading; an empty frame
    // when it cannot.
    static VideoFrame fromSample(GstSample *sample, double captureTime);
    // Wraps an image (converted to BGRA when it is in another format).
    static VideoFrame fromImage(const QImage &image, double captureTime);
    // Whether a sample of this format makes a frame: BGRA, I420, YV12, NV12,
    // NV21, YUY2 and UYVY.
    static bool supportsFormat(GstVideoFormat format);

    bool isNull() const { return !m_data; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    double time() const { return m_time; }
    // Format, size and colorimetry of the samples.
    const GstVideoInfo &info() const;
    GstVideoFormat format() const { return GST_VIDEO_INFO_FORMAT(&info()); }
    // Plane `i` and the bytes from one of its rows to the next.
    const uchar *plane(int i) const { return m_planes[i]; }
    int planeStride(int i) const { return m_strides[i]; }
    // The GStreamer sample behind the frame, if it came from a pipeline.
    GstSample *sample() const;

    // The picture as a 32-bit image: a BGRA frame's pixels without copying
    // them, any other converted with its own colour matrix and range.
    QImage image() const;

private:
    struct Storage;
    std::shared_ptr<Storage> m_data;
    const uchar *m_planes[3] = {};
    int m_strides[3] = {};
    int m_width = 0;
    int m_height = 0;
    double m_time = 0;
};

} // namespace tandrel
