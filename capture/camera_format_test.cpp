#include "capture/camera_format.h"
#include "capture/gst_support.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

QList<CameraFormat> formatsOf(const char *caps)
{
    ensureGstInitialized();
    GstCaps *parsed = gst_caps_from_string(caps);
    EXPECT_NE(parsed, nullptr) << caps;
    const QList<CameraFormat> result = cameraFormats(parsed);
    if (parsed)
        gst_caps_unref(parsed);
    return result;
}

QString describe(const std::optional<CameraFormat> &f)
{
    if (!f)
        return QStringLiteral("none");
    return QStringLiteral("%1 %2x%3@%4")
            .arg(f->encoding == CameraFormat::Encoding::jpeg ? QStringLiteral("jpeg") : f->pixelFormat)
            .arg(f->width)
            .arg(f->height)
            .arg(f->fps());
}

} // namespace

TEST(CameraFormat, ReadsRawAndJpegFormatsWithTheirBestRateUpToThirtyElseTheSlowest)
{
    const auto formats
            = formatsOf("video/x-raw,format=YUY2,width=1280,height=720,framerate={10/1,60/1,30/1}; "
                        "image/jpeg,width=1920,height=1080,framerate=30/1; "
                        "video/x-h264,width=1920,height=1080,framerate=30/1; "
                        "video/x-raw,format=NV12,width=640,height=480,framerate=[1/1,120/1]; "
                        "video/x-raw,format=NV12,width=320,height=240,framerate={60/1,50/1}");
    ASSERT_EQ(formats.size(), 4);
    EXPECT_EQ(describe(formats[0]), QStringLiteral("YUY2 1280x720@30"));
    EXPECT_EQ(describe(formats[1]), QStringLiteral("jpeg 1920x1080@30"));
    EXPECT_EQ(describe(formats[2]), QStringLiteral("NV12 640x480@30"));
    EXPECT_EQ(describe(formats[3]), QStringLiteral("NV12 320x240@50"));
}

TEST(CameraFormat, ChoosesTheLargestFluentPictureUpToFullHD)
{
    const struct
    {
        const char *caps;
        const char *chosen;
    } cases[] = {
            // A webcam: full HD raw only at 5 per second, as JPEG at 30.
            {"video/x-raw,format=YUY2,width=1920,height=1080,framerate=5/1; "
             "image/jpeg,width=1920,height=1080,framerate=30/1; "
             "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
             "jpeg 1920x1080@30"},
            // Raw wins over JPEG when both are fluent at the same size.
            {"image/jpeg,width=1280,height=720,framerate=30/1; "
             "video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1",
             "YUY2 1280x720@30"},
            // A 4K camera is opened at its largest size within full HD.
            {"video/x-raw,format=NV12,width=3840,height=2160,framerate=30/1; "
             "video/x-raw,format=NV12,width=1920,height=1080,framerate=30/1; "
             "video/x-raw,format=NV12,width=1280,height=720,framerate=60/1",
             "NV12 1920x1080@30"},
            // Only slow pictures: the largest that fits within full HD.
            {"video/x-raw,format=YUY2,width=1600,height=1200,framerate=5/1; "
             "video/x-raw,format=YUY2,width=640,height=480,framerate=10/1",
             "YUY2 640x480@10"},
            // A capture card fed with a larger signal keeps its native size.
            {"video/x-raw,format=YUY2,width=3840,height=2160,framerate=30/1; "
             "video/x-raw,format=YUY2,width=2560,height=1440,framerate=30/1",
             "YUY2 2560x1440@30"},
            // A capture card that runs only at 60 is still fluent.
            {"video/x-raw,format=NV12,width=1920,height=1080,framerate=60/1; "
             "video/x-raw,format=NV12,width=1280,height=720,framerate=30/1",
             "NV12 1920x1080@60"},
            {"video/x-h264,width=1920,height=1080", "none"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(describe(chooseCameraFormat(formatsOf(c.caps))), QString::fromLatin1(c.chosen)) << c.caps;
}
