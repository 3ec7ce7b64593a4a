#include "capture/portrait_renderer.h"

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <gst/video/gstvideopool.h>
#include <gtest/gtest.h>
#include <libyuv.h>

#include <functional>
#include <random>
#include <set>
#include <vector>

using namespace tandrel;

namespace {

// A source frame of `format` painted by `paint` (through QImage, then
// converted by GStreamer, independently of the renderer under test).
struct SourceFrame
{
    GstVideoInfo info;
    GstBuffer *buffer = nullptr;
    GstVideoFrame frame;

    SourceFrame(GstVideoFormat format, int width, int height, const std::function<void(QPainter &)> &paint)
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        QImage image(width, height, QImage::Format_ARGB32); // B,G,R,A in memory
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            paint(painter);
        }
        GstVideoInfo bgra;
        gst_video_info_set_format(&bgra, GST_VIDEO_FORMAT_BGRA, width, height);
        GstBuffer *in
                = gst_buffer_new_wrapped_full(GST_MEMORY_FLAG_READONLY, image.bits(), image.sizeInBytes(), 0,
                                              image.sizeInBytes(), nullptr, nullptr);
        gst_buffer_add_video_meta_full(in, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_BGRA, width, height, 1,
                                       bgra.offset, std::array<gint, 4>{int(image.bytesPerLine())}.data());
        gst_video_info_set_format(&info, format, width, height);
        buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
        GstVideoFrame inFrame;
        gst_video_frame_map(&inFrame, &bgra, in, GST_MAP_READ);
        gst_video_frame_map(&frame, &info, buffer, GstMapFlags(GST_MAP_READ | GST_MAP_WRITE));
        GstVideoConverter *converter = gst_video_converter_new(&bgra, &info, nullptr);
        gst_video_converter_frame(converter, &inFrame, &frame);
        gst_video_converter_free(converter);
        gst_video_frame_unmap(&inFrame);
        gst_buffer_unref(in);
    }
    ~SourceFrame()
    {
        gst_video_frame_unmap(&frame);
        gst_buffer_unref(buffer);
    }
};

// The rendered I420 frame as RGB, converted by GStreamer as a player reads
// it with the colorimetry the renderer reports for `source`.
QImage toImage(GstBuffer *rendered, const SourceFrame &source)
{
    GstVideoInfo i420, bgra;
    gst_video_info_set_format(&i420, GST_VIDEO_FORMAT_I420, 1080, 1920);
    i420.colorimetry = PortraitRenderer::outputColorimetry(source.info);
    gst_video_info_set_format(&bgra, GST_VIDEO_FORMAT_BGRA, 1080, 1920);
    QImage image(1080, 1920, QImage::Format_ARGB32);
    GstBuffer *out = gst_buffer_new_wrapped_full(GstMemoryFlags(0), image.bits(), image.sizeInBytes(), 0,
                                                 image.sizeInBytes(), nullptr, nullptr);
    GstVideoFrame in, target;
    gst_video_frame_map(&in, &i420, rendered, GST_MAP_READ);
    gst_video_frame_map(&target, &bgra, out, GST_MAP_WRITE);
    GstVideoConverter *converter = gst_video_converter_new(&i420, &bgra, nullptr);
    gst_video_converter_frame(converter, &in, &target);
    gst_video_converter_free(converter);
    gst_video_frame_unmap(&in);
    gst_video_frame_unmap(&target);
    gst_buffer_unref(out);
    return image;
}

// The source rendered to portrait and read back; null when the renderer refused it.
QImage render(const SourceFrame &source, double offset, bool flipH, bool flipV)
{
    PortraitRenderer renderer;
    GstBuffer *out = renderer.renderPortraitFrame(source.frame, offset, flipH, flipV, nullptr);
    if (!out)
        return {};
    const QImage image = toImage(out, source);
    gst_buffer_unref(out);
    return image;
}

bool near(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) < 40 && std::abs(actual.green() - expected.green()) < 40
            && std::abs(actual.blue() - expected.blue()) < 40;
}

// Quadrants: red top left, blue top right, green bottom left, yellow bottom right.
void quadrants(QPainter &p)
{
    const QRect r = p.viewport();
    const int w = r.width() / 2, h = r.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, r.width() - w, h, Qt::blue);
    p.fillRect(0, h, w, r.height() - h, Qt::green);
    p.fillRect(w, h, r.width() - w, r.height() - h, Qt::yellow);
}

const GstVideoFormat sourceFormats[] = {GST_VIDEO_FORMAT_BGRA, GST_VIDEO_FORMAT_BGRx, GST_VIDEO_FORMAT_RGBA,
                                        GST_VIDEO_FORMAT_xRGB, GST_VIDEO_FORMAT_I420, GST_VIDEO_FORMAT_YV12,
                                        GST_VIDEO_FORMAT_NV12, GST_VIDEO_FORMAT_YUY2, GST_VIDEO_FORMAT_UYVY};

} // namespace

TEST(PortraitCrop, CutsNineSixteenthsOfTheHeightAtTheOffsetOfTheMirroredImage)
{
    const struct
    {
        int width, height;
        double offset;
        bool flip;
        std::optional<PortraitCrop> crop;
    } cases[] = {
            {1920, 1080, 0.5, false, PortraitCrop{656, 608}}, // 607.5 wide at 656.25, rounded even
            {1920, 1080, 0.0, false, PortraitCrop{0, 608}},
            {1920, 1080, 1.0, false, PortraitCrop{1312, 608}},
            {1920, 1080, 0.0, true, PortraitCrop{1312, 608}}, // left of the mirror is the source's right
            {1920, 1080, 1.0, true, PortraitCrop{0, 608}},
            {1000, 1000, 0.5, false, PortraitCrop{220, 562}}, // square counts as landscape: 562.5 wide
            {1080, 1920, 0.3, false, PortraitCrop{0, 1080}}, // portrait: whole frame
            {1080, 1440, 0.9, true, PortraitCrop{0, 1080}},
            {1281, 720, 1.0, false, PortraitCrop{874, 406}}, // odd slack: edge stays even
            {1920, 1080, -3.0, false, PortraitCrop{0, 608}}, // out of range: clamped, never outside
            {1920, 1080, 7.0, false, PortraitCrop{1312, 608}},
            {1920, 1080, std::nan(""), false, PortraitCrop{656, 608}},
            {1, 1, 0.5, false, std::nullopt},
            {1920, 1, 0.5, false, std::nullopt},
            {1, 1080, 0.5, false, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(portraitCrop(c.width, c.height, c.offset, c.flip), c.crop)
                << c.width << "x" << c.height << " offset " << c.offset << " flip " << c.flip;
}

TEST(PortraitRenderer, PicksTheSideOfTheCropOffsetAndMirrorsInEveryFormat)
{
    const struct
    {
        double offset;
        bool flipH, flipV;
        QColor top, bottom;
    } cases[] = {
            {0.0, false, false, Qt::red, Qt::green},  {1.0, false, false, Qt::blue, Qt::yellow},
            {0.0, true, false, Qt::blue, Qt::yellow}, {1.0, true, false, Qt::red, Qt::green},
            {0.0, false, true, Qt::green, Qt::red},   {1.0, true, true, Qt::green, Qt::red},
    };
    for (GstVideoFormat format : sourceFormats) {
        SourceFrame source(format, 1920, 1080, quadrants);
        for (const auto &c : cases) {
            const QImage image = render(source, c.offset, c.flipH, c.flipV);
            SCOPED_TRACE(::testing::Message() << gst_video_format_to_string(format) << " offset " << c.offset
                                              << " flips " << c.flipH << c.flipV);
            ASSERT_FALSE(image.isNull());
            EXPECT_TRUE(near(image.pixelColor(540, 400), c.top))
                    << image.pixelColor(540, 400).name().toStdString();
            EXPECT_TRUE(near(image.pixelColor(540, 1500), c.bottom))
                    << image.pixelColor(540, 1500).name().toStdString();
        }
    }
}

// Smooth ramps in three directions: a shift, a stretch or a turn of the
// picture shows as a difference in colour wherever it lands.
void ramps(QPainter &p)
{
    const QRect r = p.viewport();
    QLinearGradient across(0, 0, r.width(), 0), down(0, 0, 0, r.height());
    across.setStops({{0, QColor(20, 0, 0)}, {1, QColor(235, 0, 0)}});
    down.setStops({{0, QColor(0, 20, 40)}, {1, QColor(0, 235, 200)}});
    p.fillRect(r, across);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.fillRect(r, down);
}

TEST(PortraitRenderer, MatchesTheCropMirroredAndScaledByQt)
{
    struct Case
    {
        GstVideoFormat format;
        QSize size;
        bool flipH, flipV;
    };
    std::vector<Case> cases;
    for (GstVideoFormat format : sourceFormats)
        for (int flips = 0; flips < 4; ++flips)
            cases.push_back({format, {1280, 720}, bool(flips & 1), bool(flips & 2)});
    // Reduced rather than enlarged, a portrait source, an odd height.
    cases.push_back({GST_VIDEO_FORMAT_NV12, {3840, 2160}, true, false});
    cases.push_back({GST_VIDEO_FORMAT_I420, {1080, 1440}, false, true});
    cases.push_back({GST_VIDEO_FORMAT_BGRx, {1920, 1081}, true, true});

    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << gst_video_format_to_string(c.format) << " " << c.size.width()
                                          << "x" << c.size.height() << " flips " << c.flipH << c.flipV);
        const SourceFrame source(c.format, c.size.width(), c.size.height(), ramps);
        const QImage image = render(source, 0.3, c.flipH, c.flipV);
        ASSERT_FALSE(image.isNull());

        QImage painted(c.size, QImage::Format_ARGB32);
        painted.fill(Qt::black);
        {
            QPainter p(&painted);
            ramps(p);
        }
        const auto crop = portraitCrop(c.size.width(), c.size.height(), 0.3, c.flipH);
        ASSERT_TRUE(crop);
        const QImage expected = painted.copy(crop->x, 0, crop->width, c.size.height())
                                        .mirrored(c.flipH, c.flipV)
                                        .scaled(1080, 1920, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double sum = 0;
        int worst = 0;
        for (int y = 0; y < 1920; y += 3)
            for (int x = 0; x < 1080; x += 3) {
                const QRgb a = image.pixel(x, y), b = expected.pixel(x, y);
                for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                    sum += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        EXPECT_LT(sum / (360 * 640 * 3), 5.0); // what YUV's rounding costs
        EXPECT_LE(worst, 12);
    }
}

TEST(PortraitRenderer, RefusesDegenerateAndUnknownSources)
{
    const auto fill = [](QPainter &p) { p.fillRect(p.viewport(), Qt::white); };
    const SourceFrame tiny(GST_VIDEO_FORMAT_BGRA, 1, 1, fill), line(GST_VIDEO_FORMAT_BGRA, 1920, 1, fill),
            grey(GST_VIDEO_FORMAT_GRAY8, 640, 480, fill), small(GST_VIDEO_FORMAT_NV12, 2, 2, fill);
    for (const SourceFrame *refused : {&tiny, &line, &grey})
        EXPECT_TRUE(render(*refused, 0.5, false, false).isNull()) << refused->info.width;
    EXPECT_FALSE(render(small, 0.5, true, true).isNull());
}

TEST(PortraitRenderer, ReusesPoolBuffersAndDropsFramesWhenThePoolIsExhausted)
{
    SourceFrame source(GST_VIDEO_FORMAT_BGRx, 1920, 1080, quadrants);
    GstBufferPool *pool = gst_video_buffer_pool_new();
    GstCaps *caps = PortraitRenderer::outputCaps();
    GstStructure *config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, 1080 * 1920 * 3 / 2, 0, 3);
    gst_buffer_pool_set_config(pool, config);
    gst_caps_unref(caps);
    ASSERT_TRUE(gst_buffer_pool_set_active(pool, TRUE));

    PortraitRenderer renderer;
    std::set<const void *> memories;
    for (int i = 0; i < 60; ++i) {
        GstBuffer *out = renderer.renderPortraitFrame(source.frame, i / 60.0, i % 2, false, pool);
        ASSERT_NE(out, nullptr);
        GstMapInfo map;
        gst_buffer_map(out, &map, GST_MAP_READ);
        memories.insert(map.data);
        gst_buffer_unmap(out, &map);
        gst_buffer_unref(out);
    }
    EXPECT_LE(memories.size(), 3u);

    GstBuffer *held[3];
    for (auto &b : held)
        ASSERT_NE(b = renderer.renderPortraitFrame(source.frame, 0.5, false, false, pool), nullptr);
    EXPECT_EQ(renderer.renderPortraitFrame(source.frame, 0.5, false, false, pool), nullptr);
    gst_buffer_unref(held[0]);
    GstBuffer *again = renderer.renderPortraitFrame(source.frame, 0.5, false, false, pool);
    EXPECT_NE(again, nullptr);
    for (GstBuffer *b : {again, held[1], held[2]})
        if (b)
            gst_buffer_unref(b);
    gst_buffer_pool_set_active(pool, FALSE);
    gst_object_unref(pool);
}

namespace {

const GstVideoInfo &outputInfo()
{
    static const GstVideoInfo info = [] {
        GstVideoInfo i;
        gst_video_info_set_format(&i, GST_VIDEO_FORMAT_I420, 1080, 1920);
        return i;
    }();
    return info;
}

// A source frame of random samples: every position
// and weight of the scaling shows in the result.
struct NoiseFrame
{
    GstVideoInfo info;
    GstBuffer *buffer = nullptr;
    GstVideoFrame frame;
    NoiseFrame(GstVideoFormat format, int width, int height)
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        gst_video_info_set_format(&info, format, width, height);
        buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
        std::mt19937 random(width * 7919 + height);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (gsize i = 0; i < map.size; ++i)
            map.data[i] = uint8_t(random());
        gst_buffer_unmap(buffer, &map);
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ);
    }
    ~NoiseFrame()
    {
        gst_video_frame_unmap(&frame);
        gst_buffer_unref(buffer);
    }
};

using I420Converter = int (*)(const uint8_t *, int, uint8_t *, int, uint8_t *, int, uint8_t *, int, int, int);

// libyuv's converter of a packed format; its names go by the little-endian
// word, GStreamer's by the bytes.
I420Converter i420Converter(GstVideoFormat format)
{
    switch (format) {
    case GST_VIDEO_FORMAT_YUY2:
        return libyuv::YUY2ToI420;
    case GST_VIDEO_FORMAT_BGRx:
        return libyuv::ARGBToI420;
    case GST_VIDEO_FORMAT_RGBA:
        return libyuv::ABGRToI420;
    case GST_VIDEO_FORMAT_xRGB:
        return libyuv::BGRAToI420;
    case GST_VIDEO_FORMAT_ABGR:
        return libyuv::RGBAToI420;
    default:
        return nullptr;
    }
}

// The source's plane `plane` of the crop, mirrored as asked, scaled by
// libyuv's own bilinear scaler straight to the output size: the picture
// the renderer is to match.
std::vector<uint8_t> referencePlane(const NoiseFrame &source, int plane, const PortraitCrop &crop, bool flipH,
                                    bool flipV)
{
    const GstVideoFrame &f = source.frame;
    const bool chroma = plane > 0;
    const int w = chroma ? (crop.width + 1) / 2 : crop.width;
    const int h = chroma ? (source.info.height + 1) / 2 : source.info.height;
    std::vector<uint8_t> cropped(size_t(w) * h);
    if (chroma && GST_VIDEO_FRAME_FORMAT(&f) == GST_VIDEO_FORMAT_NV12) {
        std::vector<uint8_t> other(cropped.size());
        const auto *uv = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&f, 1)) + crop.x;
        uint8_t *u = plane == 1 ? cropped.data() : other.data(),
                *v = plane == 1 ? other.data() : cropped.data();
        libyuv::SplitUVPlane(uv, GST_VIDEO_FRAME_PLANE_STRIDE(&f, 1), u, w, v, w, w, h);
    } else if (const auto convert = i420Converter(GST_VIDEO_FRAME_FORMAT(&f))) {
        // Converted by libyuv to I420 first, chroma averaged over 2 × 2 (YUY2: over row pairs).
        std::vector<uint8_t> y(size_t(crop.width) * source.info.height), u(size_t(w) * h), v(u.size());
        const int bytes = GST_VIDEO_FRAME_FORMAT(&f) == GST_VIDEO_FORMAT_YUY2 ? 2 : 4;
        const auto *packed = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&f, 0)) + crop.x * bytes;
        const int cw = (crop.width + 1) / 2;
        convert(packed, GST_VIDEO_FRAME_PLANE_STRIDE(&f, 0), y.data(), crop.width, u.data(), cw, v.data(), cw,
                crop.width, source.info.height);
        cropped = plane == 0 ? y : plane == 1 ? u : v;
    } else {
        const auto *data = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&f, plane))
                + (chroma ? crop.x / 2 : crop.x);
        libyuv::CopyPlane(data, GST_VIDEO_FRAME_PLANE_STRIDE(&f, plane), cropped.data(), w, w, h);
    }
    if (flipH) {
        std::vector<uint8_t> mirrored(cropped.size());
        libyuv::MirrorPlane(cropped.data(), w, mirrored.data(), w, w, h);
        cropped.swap(mirrored);
    }
    const int outW = chroma ? 540 : 1080, outH = chroma ? 960 : 1920;
    std::vector<uint8_t> scaled(size_t(outW) * outH);
    libyuv::ScalePlane(cropped.data(), w, w, flipV ? -h : h, scaled.data(), outW, outW, outH,
                       libyuv::kFilterBilinear);
    return scaled;
}

} // namespace

TEST(PortraitRenderer, MatchesLibyuvsBilinearScaleOfTheCropSampleBySample)
{
    // libyuv widens rows with 7-bit weights where the renderer keeps 8 bits:
    // samples differ by a level or two, never more. A source already of the
    // output's size comes through unchanged.
    const struct
    {
        GstVideoFormat format;
        int width, height;
        double offset;
        int tolerance;
    } cases[] = {
            {GST_VIDEO_FORMAT_I420, 1920, 1080, 0.5, 2},  {GST_VIDEO_FORMAT_NV12, 1920, 1080, 0.0, 2},
            {GST_VIDEO_FORMAT_NV12, 1920, 1080, 0.83, 2}, {GST_VIDEO_FORMAT_I420, 1280, 720, 1.0, 2},
            {GST_VIDEO_FORMAT_NV12, 3840, 2160, 0.4, 2},  {GST_VIDEO_FORMAT_I420, 1281, 721, 0.61, 2},
            {GST_VIDEO_FORMAT_NV12, 34, 18, 0.5, 2},      {GST_VIDEO_FORMAT_NV12, 7680, 4320, 0.2, 2},
            {GST_VIDEO_FORMAT_YUY2, 1920, 1080, 0.3, 2},  {GST_VIDEO_FORMAT_YUY2, 1280, 721, 0.9, 2},
            {GST_VIDEO_FORMAT_YUY2, 1080, 1920, 0.5, 0},  {GST_VIDEO_FORMAT_I420, 1080, 1920, 0.5, 0},
            {GST_VIDEO_FORMAT_NV12, 1080, 1920, 0.5, 0},  {GST_VIDEO_FORMAT_BGRx, 1920, 1080, 0.5, 2},
            {GST_VIDEO_FORMAT_RGBA, 1281, 721, 0.61, 2},  {GST_VIDEO_FORMAT_xRGB, 34, 18, 0.5, 2},
            {GST_VIDEO_FORMAT_ABGR, 1280, 720, 0.9, 2},   {GST_VIDEO_FORMAT_BGRx, 1080, 1920, 0.5, 0},
    };
    PortraitRenderer renderer;
    for (const auto &c : cases) {
        const NoiseFrame source(c.format, c.width, c.height);
        for (int flips = 0; flips < 4; ++flips) {
            const bool flipH = flips & 1, flipV = flips & 2;
            SCOPED_TRACE(::testing::Message()
                         << gst_video_format_to_string(c.format) << " " << c.width << "x" << c.height
                         << " offset " << c.offset << " flips " << flipH << flipV);
            const auto crop = portraitCrop(c.width, c.height, c.offset, flipH);
            ASSERT_TRUE(crop);
            GstBuffer *out = renderer.renderPortraitFrame(source.frame, c.offset, flipH, flipV, nullptr);
            ASSERT_NE(out, nullptr);
            GstVideoFrame rendered;
            ASSERT_TRUE(gst_video_frame_map(&rendered, &outputInfo(), out, GST_MAP_READ));
            for (int plane = 0; plane < 3; ++plane) {
                const std::vector<uint8_t> expected = referencePlane(source, plane, *crop, flipH, flipV);
                const int outW = plane ? 540 : 1080, outH = plane ? 960 : 1920;
                const auto *data = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&rendered, plane));
                int worst = 0;
                for (int y = 0; y < outH; ++y)
                    for (int x = 0; x < outW; ++x)
                        worst = std::max(worst,
                                         std::abs(data[y * GST_VIDEO_FRAME_PLANE_STRIDE(&rendered, plane) + x]
                                                  - expected[size_t(y) * outW + x]));
                EXPECT_LE(worst, c.tolerance) << "plane " << plane;
            }
            gst_video_frame_unmap(&rendered);
            gst_buffer_unref(out);
        }
    }
}
