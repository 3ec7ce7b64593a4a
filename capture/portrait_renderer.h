#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace tandrel {

// The full-height source columns that make up one portrait frame.
struct PortraitCrop
{
    int x = 0;
    int width = 0;
    bool operator==(const PortraitCrop &) const = default;
};

// Which columns of a width × height source show in the 9:16 portrait frame.
// A landscape or square source is cut to a window 9/16 of its height wide
// (capped at its width), placed `cropOffset` of the way across the mirrored
// image (0 left edge, 1 right edge, 0.5 centre); a portrait source is used
// whole. The window is counted in the source's own, unmirrored columns, and
// its edge and width are even so that 4:2:0 chroma stays aligned. Offsets
// outside 0…1 are clamped, a non-finite one counts as the centre. None for
// sources one pixel wide or high, or smaller.
std::optional<PortraitCrop> portraitCrop(int width, int height, double cropOffset, bool flipHorizontal);

// A source picture as the renderer reads it: its pixel format, size and
// planes. Nothing is owned; the pixels must stay valid during rendering.
struct PortraitSource
{
    GstVideoFormat format = GST_VIDEO_FORMAT_UNKNOWN;
    int width = 0;
    int height = 0;
    const uint8_t *planes[GST_VIDEO_MAX_PLANES] = {};
    int strides[GST_VIDEO_MAX_PLANES] = {};

    static PortraitSource fromFrame(const GstVideoFrame &frame);
};

// Renders camera and screen frames into 1080 × 1920 I420 frames for the
// video writer: crop at the crop offset, mirror, scale. Holds its scratch
// planes between frames, so once the crop size and the output pool are in
// place no frame allocates. Used from the capture output queue only.
class PortraitRenderer
{
public:
    static constexpr int OutputWidth = 1080;
    static constexpr int OutputHeight = 1920;

    // Caps of the frames rendered: I420, 1080 × 1920.
    static GstCaps *outputCaps();
    // How the frames rendered from `source` are to be read: YUV sources keep
    // their own matrix and range (their samples are copied, not converted);
    // RGB sources are converted with BT.601 in studio range.
    static GstVideoColorimetry outputColorimetry(const GstVideoInfo &source);
    // Whether frames of this format can be rendered.
    static bool supportsFormat(GstVideoFormat format);

    // A new frame (owned by the caller) taken from `pool`, or a freshly
    // allocated one when there is no pool. None when the source is degenerate
    // or of an unsupported format, or the pool has no free buffer (the writer
    // is behind; the frame is dropped rather than waited for).
    GstBuffer *renderPortraitFrame(const PortraitSource &source, double cropOffset, bool flipHorizontal,
                                   bool flipVertical, GstBufferPool *pool);
    GstBuffer *renderPortraitFrame(const GstVideoFrame &source, double cropOffset, bool flipHorizontal,
                                   bool flipVertical, GstBufferPool *pool)
    {
        return renderPortraitFrame(PortraitSource::fromFrame(source), cropOffset, flipHorizontal,
                                   flipVertical, pool);
    }

private:
    // How rows of one plane are stretched to the output width: for every
    // output sample the two source samples it lies between and its weight
    // towards the second, and the same gathered for the vector path in
    // blocks of eight output samples that each read within 16 source bytes.
    struct RowStretch
    {
        int sourceWidth = 0;
        int outWidth = 0;
        int sampleBytes = 0; // 1 for a plane of its own, 2 for interleaved samples
        bool mirror = false;
        std::vector<int32_t> first, second; // byte offsets of the two source samples
        std::vector<uint8_t> fraction; // weight of the second, in 1/256
        std::vector<int32_t> blockBase; // byte offset a block reads from; -1: read sample by sample
        std::vector<uint8_t> shuffles; // 16 per block: the sample pairs' bytes from the block's base
        std::vector<uint8_t> weights; // 16 per block: the pairs' weights
        void prepare(int sourceWidth, int outWidth, int sampleBytes, bool mirror);
        void stretch(const uint8_t *row, int channel, uint8_t *out) const;
    };
    // One plane of the source as the scaler reads it: `channel` picks the
    // plane's bytes from interleaved samples `sampleBytes` apart.
    struct PlaneView
    {
        const uint8_t *data = nullptr;
        int stride = 0;
        int width = 0;
        int height = 0;
        int channel = 0;
        int sampleBytes = 1;
    };
    struct Planes
    {
        std::vector<uint8_t> storage;
        int width = 0;
        int height = 0;
        uint8_t *y = nullptr, *u = nullptr, *v = nullptr;
        int strideY = 0, strideUV = 0;
        void resize(int w, int h);
    };

    bool cropPlanes(const PortraitSource &source, const PortraitCrop &crop, PlaneView planes[3]);
    void scalePlane(const PlaneView &plane, const RowStretch &stretch, bool flipVertical, uint8_t *out,
                    int outStride, int outHeight);
    const uint8_t *stretchedRow(const PlaneView &plane, const RowStretch &stretch, int row);

    Planes m_cropped; // packed sources converted to I420 at the crop's size (4:2:2 ones: chroma only)
    RowStretch m_lumaStretch, m_chromaStretch;
    // The two source rows last stretched to the output width, kept while
    // consecutive output rows blend between them.
    std::vector<uint8_t> m_rows[2];
    int m_rowIndex[2] = {-1, -1};
    int m_rowUse[2] = {0, 0};
    int m_rowClock = 0;
};

} // namespace tandrel
