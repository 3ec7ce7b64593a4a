#include "capture/video_frame.h"

#include <gst/video/video.h>

namespace tandrel {

struct VideoFrame::Storage
{
    GstSample *sample = nullptr;
    GstVideoFrame frame{};
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

VideoFrame VideoFrame::fromSample(GstSample *sample, double captureTime)
{
    VideoFrame result;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)
        || GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRA)
        return result;
    auto storage = std::make_shared<Storage>();
    storage->sample = gst_sample_ref(sample);
    if (!gst_video_frame_map(&storage->frame, &info, buffer, GST_MAP_READ))
        return result;
    storage->mapped = true;
    result.m_bits = static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&storage->frame, 0));
    result.m_width = GST_VIDEO_FRAME_WIDTH(&storage->frame);
    result.m_height = GST_VIDEO_FRAME_HEIGHT(&storage->frame);
    result.m_stride = GST_VIDEO_FRAME_PLANE_STRIDE(&storage->frame, 0);
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
    result.m_bits = storage->image.constBits();
    result.m_width = storage->image.width();
    result.m_height = storage->image.height();
    result.m_stride = int(storage->image.bytesPerLine());
    result.m_time = captureTime;
    result.m_data = std::move(storage);
    return result;
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
    // The image keeps the mapping alive through a heap copy of the shared pointer.
    auto *hold = new std::shared_ptr<Storage>(m_data);
    return QImage(
            m_bits, m_width, m_height, m_stride, QImage::Format_RGB32,
            [](void *p) { delete static_cast<std::shared_ptr<Storage> *>(p); }, hold);
}

} // namespace tandrel
