#pragma once

#include <QImage>
#include <memory>

typedef struct _GstSample GstSample;

namespace tandrel {

// One captured picture in memory: 32-bit BGRA rows (B, G, R, A bytes, alpha
// opaque) as every camera and screen pipeline delivers them, with the capture
// time on the clock that microphone buffers use too (AudioBuffer::time).
// Copies share the pixels; the memory stays valid while any copy lives.
class VideoFrame
{
public:
    VideoFrame() = default;

    // Maps a sample of BGRA video for reading; an empty frame when it cannot.
    static VideoFrame fromSample(GstSample *sample, double captureTime);
    // Wraps an image (converted to BGRA when it is in another format).
    static VideoFrame fromImage(const QImage &image, double captureTime);

    bool isNull() const { return !m_data; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int stride() const { return m_stride; } // bytes from one row to the next
    const uchar *data() const { return m_bits; }
    double time() const { return m_time; }
    // The GStreamer sample behind the frame, if it came from a pipeline.
    GstSample *sample() const;

    // The pixels as an image without copying them.
    QImage image() const;

private:
    struct Storage;
    std::shared_ptr<Storage> m_data;
    const uchar *m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    double m_time = 0;
};

} // namespace tandrel
