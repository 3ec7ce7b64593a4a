#include "capture/video_frame.h"

#include "capture/portrait_renderer.h"

#include <gst/video/video.h>
#include <libyuv.h>

#include <algorithm>
#include <vector>

namespace tandrel {

struct VideoFrame::Storage
{
    GstSample *sample = nullptr;
    GstVideoFrame frame{};
    GstVideoInfo info{};
    bool mapped = false;
    QImage image; // for frames made from an image

    ~Storage()
    {
        if (mapped)
            gst_video_frame_unmap(&frame);
        if (sample)
            gst_sample_unref(sample);
    }
};

namespace {

const GstVideoInfo &bgraInfo()
{
    static const GstVideoInfo info = [] {
        GstVideoInfo i;
        gst_video_info_set_format(&i, GST_VIDEO_FORMAT_BGRA, 16, 16);
        return i;
    }();
    return info;
}

// libyuv's coefficients for the frame's matrix and range; BT.601 where the
// caps leave it open, as videoconvert takes it.
const libyuv::YuvConstants *yuvConstants(const GstVideoColorimetry &c)
{
    const bool full = c.range == GST_VIDEO_COLOR_RANGE_0_255;
    switch (c.matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT709:
        return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
    case GST_VIDEO_COLOR_MATRIX_BT2020:
        return full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
    default:
        return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
    }
}

} // namespace

// The renderer's YUV formats, which image() converts too, and BGRA.
bool VideoFrame::supportsFormat(GstVideoFormat format)
{
    const GstVideoFormatInfo *info = gst_video_format_get_info(format);
    return format == GST_VIDEO_FORMAT_BGRA
            || (info && GST_VIDEO_FORMAT_INFO_IS_YUV(info) && PortraitRenderer::supportsFormat(format));
}

VideoFrame VideoFrame::fromSample(GstSample *sample, double captureTime)
{
    VideoFrame result;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    auto storage = std::make_shared<Storage>();
    if (!caps || !buffer || !gst_video_info_from_caps(&storage->info, caps)
        || !supportsFormat(GST_VIDEO_INFO_FORMAT(&storage->info)))
        return result;
    storage->sample = gst_sample_ref(sample);
    if (!gst_video_frame_map(&storage->frame, &storage->info, buffer, GST_MAP_READ))
        return result;
    storage->mapped = true;
    const GstVideoFrame &f = storage->frame;
    for (guint i = 0; i < GST_VIDEO_FRAME_N_PLANES(&f) && i < 3; ++i) {
        result.m_planes[i] = static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&f, i));
        result.m_strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&f, i);
    }
    result.m_width = GST_VIDEO_FRAME_WIDTH(&f);
    result.m_height = GST_VIDEO_FRAME_HEIGHT(&f);
    result.m_time = captureTime;
    result.m_data = std::move(storage);
    return result;
}

VideoFrame VideoFrame::fromImage(const QImage &image, double captureTime)
{
    VideoFrame result;
    if (image.isNull())
        return result;
    auto storage = std::make_shared<Storage>();
    // ARGB32 is stored as B, G, R, A bytes on little-endian machines.
    storage->image = image.convertToFormat(QImage::Format_ARGB32);
    gst_video_info_set_format(&storage->info, GST_VIDEO_FORMAT_BGRA, guint(image.width()),
                              guint(image.height()));
    result.m_planes[0] = storage->image.constBits();
    result.m_strides[0] = int(storage->image.bytesPerLine());
    result.m_width = storage->image.width();
    result.m_height = storage->image.height();
    result.m_time = captureTime;
    result.m_data = std::move(storage);
    return result;
}

const GstVideoInfo &VideoFrame::info() const
{
    return m_data ? m_data->info : bgraInfo();
}

GstSample *VideoFrame::sample() const
{
    return m_data ? m_data->sample : nullptr;
}

QImage VideoFrame::image() const
{
    if (!m_data)
        return {};
    if (!m_data->image.isNull())
        return m_data->image;
    const GstVideoFormat f = format();
    if (f == GST_VIDEO_FORMAT_BGRA) {
        // The image keeps the mapping alive through a heap copy of the shared pointer.
        auto *hold = new std::shared_ptr<Storage>(m_data);
        return QImage(
                m_planes[0], m_width, m_height, m_strides[0], QImage::Format_RGB32,
                [](void *p) { delete static_cast<std::shared_ptr<Storage> *>(p); }, hold);
    }
    QImage image(m_width, m_height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uint8_t *to = image.bits();
    const int toStride = int(image.bytesPerLine());
    const libyuv::YuvConstants *matrix = yuvConstants(m_data->info.colorimetry);
    const uint8_t *const *p = m_planes;
    const int *s = m_strides;
    int rc = -1;
    switch (f) {
    case GST_VIDEO_FORMAT_I420:
        rc = libyuv::I420ToARGBMatrix(p[0], s[0], p[1], s[1], p[2], s[2], to, toStride, matrix, m_width,
                                      m_height);
        break;
    case GST_VIDEO_FORMAT_YV12: // V before U
        rc = libyuv::I420ToARGBMatrix(p[0], s[0], p[2], s[2], p[1], s[1], to, toStride, matrix, m_width,
                                      m_height);
        break;
    case GST_VIDEO_FORMAT_NV12:
        rc = libyuv::NV12ToARGBMatrix(p[0], s[0], p[1], s[1], to, toStride, matrix, m_width, m_height);
        break;
    case GST_VIDEO_FORMAT_NV21:
        rc = libyuv::NV21ToARGBMatrix(p[0], s[0], p[1], s[1], to, toStride, matrix, m_width, m_height);
        break;
    case GST_VIDEO_FORMAT_YUY2:
    case GST_VIDEO_FORMAT_UYVY: {
        // libyuv reads packed 4:2:2 with BT.601 alone: other matrices go
        // through planes.
        const bool yuy2 = f == GST_VIDEO_FORMAT_YUY2;
        if (matrix == &libyuv::kYuvI601Constants) {
            rc = yuy2 ? libyuv::YUY2ToARGB(p[0], s[0], to, toStride, m_width, m_height)
                      : libyuv::UYVYToARGB(p[0], s[0], to, toStride, m_width, m_height);
            break;
        }
        // A few rows at a time through planes small enough to stay in cache.
        constexpr int rows = 16;
        const int cw = (m_width + 1) / 2;
        std::vector<uint8_t> planes(size_t(m_width + 2 * cw) * rows);
        uint8_t *y = planes.data(), *u = y + size_t(m_width) * rows, *v = u + size_t(cw) * rows;
        rc = 0;
        for (int top = 0; top < m_height && rc == 0; top += rows) {
            const int n = std::min(rows, m_height - top);
            const uint8_t *packed = p[0] + ptrdiff_t(top) * s[0];
            rc = yuy2 ? libyuv::YUY2ToI422(packed, s[0], y, m_width, u, cw, v, cw, m_width, n)
                      : libyuv::UYVYToI422(packed, s[0], y, m_width, u, cw, v, cw, m_width, n);
            if (rc == 0)
                rc = libyuv::I422ToARGBMatrix(y, m_width, u, cw, v, cw, to + ptrdiff_t(top) * toStride,
                                              toStride, matrix, m_width, n);
        }
        break;
    }
    default:
        break;
    }
    return rc == 0 ? image : QImage();
}

} // namespace tandrel
