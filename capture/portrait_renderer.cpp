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

// Turns the crop window of each plane on its side into the planes' scratch.
// Libyuv stretches rows fast when it interpolates whole rows and slowly when
// it resamples along a row, so both stretches of the frame are done on rows:
// the width of the transposed crop, then (after turning it back) its height.
// Planar sources are read in place; NV12's chroma is split while it is turned,
// and packed sources are converted at the crop's size, which is smaller than
// the output's.
bool PortraitRenderer::transposeCrop(const PortraitSource &source, const PortraitCrop &crop)
{
    const GstVideoFormat format = source.format;
    const int w = crop.width, h = source.height;
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    const int x = crop.x;
    m_planes[0].transposed.resize(size_t(w) * h);
    for (int i : {1, 2})
        m_planes[i].transposed.resize(size_t(cw) * ch);
    uint8_t *ty = m_planes[0].transposed.data(), *tu = m_planes[1].transposed.data(),
            *tv = m_planes[2].transposed.data();

    const uint8_t *y, *u, *v;
    int strideY, strideU, strideV;
    if (format == GST_VIDEO_FORMAT_I420 || format == GST_VIDEO_FORMAT_YV12) {
        // YV12 keeps V before U.
        const int ui = format == GST_VIDEO_FORMAT_I420 ? 1 : 2, vi = 3 - ui;
        y = source.planes[0] + x;
        u = source.planes[ui] + x / 2;
        v = source.planes[vi] + x / 2;
        strideY = source.strides[0];
        strideU = source.strides[ui];
        strideV = source.strides[vi];
    } else if (format == GST_VIDEO_FORMAT_NV12 || format == GST_VIDEO_FORMAT_NV21) {
        libyuv::TransposePlane(source.planes[0] + x, source.strides[0], ty, h, w, h);
        const bool nv12 = format == GST_VIDEO_FORMAT_NV12;
        libyuv::SplitTransposeUV(source.planes[1] + x, source.strides[1], nv12 ? tu : tv, ch, nv12 ? tv : tu,
                                 ch, cw, ch);
        return true;
    } else {
        m_cropped.resize(w, h);
        int bpp = 0;
        int rc = -1;
        if (PackedToI420 convert = packedConverter(format, &bpp)) {
            rc = convert(source.planes[0] + x * bpp, source.strides[0], m_cropped.y, m_cropped.strideY,
                         m_cropped.u, m_cropped.strideUV, m_cropped.v, m_cropped.strideUV, w, h);
        } else if (format == GST_VIDEO_FORMAT_YUY2 || format == GST_VIDEO_FORMAT_UYVY) {
            const auto convert = format == GST_VIDEO_FORMAT_YUY2 ? libyuv::YUY2ToI420 : libyuv::UYVYToI420;
            rc = convert(source.planes[0] + x * 2, source.strides[0], m_cropped.y, m_cropped.strideY,
                         m_cropped.u, m_cropped.strideUV, m_cropped.v, m_cropped.strideUV, w, h);
        }
        if (rc != 0)
            return false;
        y = m_cropped.y;
        u = m_cropped.u;
        v = m_cropped.v;
        strideY = m_cropped.strideY;
        strideU = strideV = m_cropped.strideUV;
    }
    libyuv::TransposePlane(y, strideY, ty, h, w, h);
    libyuv::TransposePlane(u, strideU, tu, ch, cw, ch);
    libyuv::TransposePlane(v, strideV, tv, ch, cw, ch);
    return true;
}

// Stretches one transposed plane of a `width` × `height` crop to the output.
// The flips come free: each is the reading order of rows in one stretch.
void PortraitRenderer::scalePlane(PlaneScratch &plane, int width, int height, bool flipHorizontal,
                                  bool flipVertical, uint8_t *out, int outStride, int outWidth, int outHeight)
{
    plane.widened.resize(size_t(height) * outWidth);
    plane.upright.resize(size_t(outWidth) * height);
    libyuv::ScalePlane(plane.transposed.data(), height, height, flipHorizontal ? -width : width,
                       plane.widened.data(), height, height, outWidth, libyuv::kFilterBilinear);
    libyuv::TransposePlane(plane.widened.data(), height, plane.upright.data(), outWidth, height, outWidth);
    libyuv::ScalePlane(plane.upright.data(), outWidth, outWidth, flipVertical ? -height : height, out,
                       outStride, outWidth, outHeight, libyuv::kFilterBilinear);
}

GstBuffer *PortraitRenderer::renderPortraitFrame(const PortraitSource &source, double cropOffset,
                                                 bool flipHorizontal, bool flipVertical, GstBufferPool *pool)
{
    const auto crop = portraitCrop(source.width, source.height, cropOffset, flipHorizontal);
    if (!crop || !supportsFormat(source.format) || !transposeCrop(source, *crop))
        return nullptr;

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
    for (int i = 0; i < 3; ++i) {
        const bool luma = i == 0;
        scalePlane(m_planes[i], luma ? crop->width : (crop->width + 1) / 2,
                   luma ? source.height : (source.height + 1) / 2, flipHorizontal, flipVertical,
                   static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&target, i)),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&target, i), GST_VIDEO_FRAME_COMP_WIDTH(&target, i),
                   GST_VIDEO_FRAME_COMP_HEIGHT(&target, i));
    }
    gst_video_frame_unmap(&target);
    return out;
}

} // namespace tandrel
