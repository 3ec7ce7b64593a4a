#include "capture/portrait_renderer.h"

#include <libyuv.h>

#include <algorithm>
#include <cmath>

namespace tandrel {

std::optional<PortraitCrop> portraitCrop(int width, int height, double cropOffset, bool flipHorizontal)
{
    if (width <= 1 || height <= 1)
        return std::nullopt;
    if (height > width)
        return PortraitCrop{0, width};

    const double offset = std::isfinite(cropOffset) ? std::clamp(cropOffset, 0.0, 1.0) : 0.5;
    const double exact = std::min(double(width), height * 9 * 0.0625);
    const int cropWidth = std::clamp(int(std::lround(exact / 2)) * 2, 2, width);
    const int slack = width - cropWidth;
    // The offset counts in the mirrored image; its window starts `slack - x`
    // columns into the unmirrored source.
    const double mirroredX = offset * slack;
    const double sourceX = flipHorizontal ? slack - mirroredX : mirroredX;
    int x = std::min(int(std::lround(sourceX / 2)) * 2, slack);
    if (x % 2 != 0)
        --x;
    return PortraitCrop{std::max(x, 0), cropWidth};
}

namespace {

struct I420View
{
    const uint8_t *y, *u, *v;
    int strideY, strideU, strideV;
    int width;
    int height; // negative: read bottom-up, which flips vertically
};

const GstVideoInfo &outputInfo()
{
    static const GstVideoInfo info = [] {
        GstVideoInfo i;
        gst_video_info_set_format(&i, GST_VIDEO_FORMAT_I420, PortraitRenderer::OutputWidth,
                                  PortraitRenderer::OutputHeight);
        return i;
    }();
    return info;
}

using PackedToI420 = int (*)(const uint8_t *, int, uint8_t *, int, uint8_t *, int, uint8_t *, int, int, int);

// libyuv names packed RGB formats by their little-endian word, GStreamer by
// their byte order: GStreamer's BGRA is libyuv's ARGB.
PackedToI420 packedConverter(GstVideoFormat format, int *bytesPerPixel)
{
    *bytesPerPixel = 4;
    switch (format) {
    case GST_VIDEO_FORMAT_BGRA:
    case GST_VIDEO_FORMAT_BGRx:
        return libyuv::ARGBToI420;
    case GST_VIDEO_FORMAT_RGBA:
    case GST_VIDEO_FORMAT_RGBx:
        return libyuv::ABGRToI420;
    case GST_VIDEO_FORMAT_ARGB:
    case GST_VIDEO_FORMAT_xRGB:
        return libyuv::BGRAToI420;
    case GST_VIDEO_FORMAT_ABGR:
    case GST_VIDEO_FORMAT_xBGR:
        return libyuv::RGBAToI420;
    case GST_VIDEO_FORMAT_YUY2:
        *bytesPerPixel = 2;
        return nullptr;
    case GST_VIDEO_FORMAT_UYVY:
        *bytesPerPixel = 2;
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

PortraitSource PortraitSource::fromFrame(const GstVideoFrame &frame)
{
    PortraitSource s;
    s.format = GST_VIDEO_FRAME_FORMAT(&frame);
    s.width = GST_VIDEO_FRAME_WIDTH(&frame);
    s.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    for (guint i = 0; i < GST_VIDEO_FRAME_N_PLANES(&frame); ++i) {
        s.planes[i] = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, i));
        s.strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, i);
    }
    return s;
}

PortraitSource PortraitSource::packed(GstVideoFormat format, int width, int height, const uint8_t *data,
                                      int stride)
{
    PortraitSource s;
    s.format = format;
    s.width = width;
    s.height = height;
    s.planes[0] = data;
    s.strides[0] = stride;
    return s;
}

GstCaps *PortraitRenderer::outputCaps()
{
    return gst_video_info_to_caps(&outputInfo());
}

GstVideoColorimetry PortraitRenderer::outputColorimetry(const GstVideoInfo &source)
{
    GstVideoColorimetry colorimetry = source.colorimetry;
    if (!GST_VIDEO_INFO_IS_YUV(&source) || colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_UNKNOWN)
        gst_video_colorimetry_from_string(&colorimetry, GST_VIDEO_COLORIMETRY_BT601);
    return colorimetry;
}

bool PortraitRenderer::supportsFormat(GstVideoFormat format)
{
    switch (format) {
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_YV12:
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21:
    case GST_VIDEO_FORMAT_YUY2:
    case GST_VIDEO_FORMAT_UYVY:
        return true;
    default: {
        int bpp;
        return packedConverter(format, &bpp) != nullptr;
    }
    }
}

void PortraitRenderer::Planes::resize(int w, int h)
{
    if (w == width && h == height)
        return;
    width = w;
    height = h;
    strideY = w;
    strideUV = (w + 1) / 2;
    const size_t ySize = size_t(strideY) * h;
    const size_t uvSize = size_t(strideUV) * ((h + 1) / 2);
    storage.resize(ySize + 2 * uvSize);
    y = storage.data();
    u = y + ySize;
    v = u + uvSize;
}

// Converts the cropped columns of a non-I420 source into `into`, turned
// upside down when `flipVertical`.
bool PortraitRenderer::cropToI420(const PortraitSource &source, const PortraitCrop &crop, bool flipVertical,
                                  Planes &into)
{
    const GstVideoFormat format = source.format;
    const int h = source.height;
    const int signedH = flipVertical ? -h : h;
    into.resize(crop.width, h);
    const int x = crop.x;
    int bpp = 0;
    int rc = -1;
    if (PackedToI420 convert = packedConverter(format, &bpp)) {
        rc = convert(source.planes[0] + x * bpp, source.strides[0], into.y, into.strideY, into.u,
                     into.strideUV, into.v, into.strideUV, crop.width, signedH);
    } else if (format == GST_VIDEO_FORMAT_YUY2 || format == GST_VIDEO_FORMAT_UYVY) {
        const auto convert = format == GST_VIDEO_FORMAT_YUY2 ? libyuv::YUY2ToI420 : libyuv::UYVYToI420;
        rc = convert(source.planes[0] + x * 2, source.strides[0], into.y, into.strideY, into.u, into.strideUV,
                     into.v, into.strideUV, crop.width, signedH);
    } else if (format == GST_VIDEO_FORMAT_NV12 || format == GST_VIDEO_FORMAT_NV21) {
        const auto convert = format == GST_VIDEO_FORMAT_NV12 ? libyuv::NV12ToI420 : libyuv::NV21ToI420;
        rc = convert(source.planes[0] + x, source.strides[0], source.planes[1] + x, source.strides[1], into.y,
                     into.strideY, into.u, into.strideUV, into.v, into.strideUV, crop.width, signedH);
    }
    return rc == 0;
}

GstBuffer *PortraitRenderer::renderPortraitFrame(const PortraitSource &source, double cropOffset,
                                                 bool flipHorizontal, bool flipVertical, GstBufferPool *pool)
{
    const GstVideoFormat format = source.format;
    const int width = source.width;
    const int height = source.height;
    const auto crop = portraitCrop(width, height, cropOffset, flipHorizontal);
    if (!crop || !supportsFormat(format))
        return nullptr;

    I420View view;
    if (format == GST_VIDEO_FORMAT_I420 || format == GST_VIDEO_FORMAT_YV12) {
        // Planar 4:2:0 is cropped by pointer arithmetic; no copy. YV12 keeps
        // V before U.
        const int x = crop->x;
        const int u = format == GST_VIDEO_FORMAT_I420 ? 1 : 2, v = 3 - u;
        view = {source.planes[0] + x,
                source.planes[u] + x / 2,
                source.planes[v] + x / 2,
                source.strides[0],
                source.strides[u],
                source.strides[v],
                crop->width,
                flipVertical ? -height : height};
    } else {
        if (!cropToI420(source, *crop, flipVertical, m_cropped))
            return nullptr;
        view = {m_cropped.y,        m_cropped.u,        m_cropped.v, m_cropped.strideY,
                m_cropped.strideUV, m_cropped.strideUV, crop->width, height};
    }

    // Mirroring the narrow crop costs less than mirroring the scaled frame.
    if (flipHorizontal) {
        m_mirrored.resize(view.width, std::abs(view.height));
        if (libyuv::I420Mirror(view.y, view.strideY, view.u, view.strideU, view.v, view.strideV, m_mirrored.y,
                               m_mirrored.strideY, m_mirrored.u, m_mirrored.strideUV, m_mirrored.v,
                               m_mirrored.strideUV, view.width, view.height)
            != 0)
            return nullptr;
        view = {m_mirrored.y,        m_mirrored.u,        m_mirrored.v,     m_mirrored.strideY,
                m_mirrored.strideUV, m_mirrored.strideUV, m_mirrored.width, m_mirrored.height};
    }

    GstBuffer *out = nullptr;
    if (pool) {
        GstBufferPoolAcquireParams params{};
        params.flags = GST_BUFFER_POOL_ACQUIRE_FLAG_DONTWAIT;
        if (gst_buffer_pool_acquire_buffer(pool, &out, &params) != GST_FLOW_OK)
            return nullptr;
    } else {
        out = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&outputInfo()), nullptr);
        if (!out)
            return nullptr;
    }

    GstVideoFrame target;
    if (!gst_video_frame_map(&target, &outputInfo(), out, GST_MAP_WRITE)) {
        gst_buffer_unref(out);
        return nullptr;
    }
    const int rc = libyuv::I420Scale(
            view.y, view.strideY, view.u, view.strideU, view.v, view.strideV, view.width, view.height,
            static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&target, 0)),
            GST_VIDEO_FRAME_PLANE_STRIDE(&target, 0),
            static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&target, 1)),
            GST_VIDEO_FRAME_PLANE_STRIDE(&target, 1),
            static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&target, 2)),
            GST_VIDEO_FRAME_PLANE_STRIDE(&target, 2), OutputWidth, OutputHeight, libyuv::kFilterBilinear);
    gst_video_frame_unmap(&target);
    if (rc != 0) {
        gst_buffer_unref(out);
        return nullptr;
    }
    return out;
}

} // namespace tandrel
