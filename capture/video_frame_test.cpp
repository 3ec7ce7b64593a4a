#include "capture/video_frame.h"

#include "capture/media_probe.h"
#include "capture/test_frames.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

bool near(const QColor &actual, int red, int green, int blue, int tolerance)
{
    return std::abs(actual.red() - red) <= tolerance && std::abs(actual.green() - green) <= tolerance
            && std::abs(actual.blue() - blue) <= tolerance;
}

} // namespace

// A camera's YUV is shown with the matrix and range its caps name: a frame
// read with another one is off by 15 to 30 levels in these colours. libyuv's
// vector code caps the blue weight of BT.709 and BT.2020 in studio range
// (2.11 to 2.0): a deep blue shows up to 12 levels darker in the preview.
TEST(VideoFrame, ShowsACamerasYuvInItsOwnMatrixAndRange)
{
    const TestCameraFrame camera(0, 0, 320, 180); // left (210, 40, 40), right (40, 40, 210)
    const GstVideoFormat formats[] = {GST_VIDEO_FORMAT_I420, GST_VIDEO_FORMAT_YV12, GST_VIDEO_FORMAT_NV12,
                                      GST_VIDEO_FORMAT_NV21, GST_VIDEO_FORMAT_YUY2, GST_VIDEO_FORMAT_UYVY};
    const struct
    {
        const char *name;
        int tolerance;
    } colorimetries[] = {{"bt601", 5}, {"1:4:5:4", 5}, {"1:3:5:1", 5}, {"bt709", 12}, {"bt2020", 12}};
    for (const GstVideoFormat format : formats) {
        for (const auto &colorimetry : colorimetries) {
            SCOPED_TRACE(::testing::Message()
                         << gst_video_format_to_string(format) << " " << colorimetry.name);
            GstSample *sample = convertedSample(camera.frame(), format, colorimetry.name);
            ASSERT_NE(sample, nullptr);
            const VideoFrame frame = VideoFrame::fromSample(sample, 1.5);
            gst_sample_unref(sample);
            ASSERT_FALSE(frame.isNull());
            EXPECT_EQ(frame.format(), format);
            EXPECT_EQ(frame.time(), 1.5);
            const QImage image = frame.image();
            ASSERT_EQ(image.size(), QSize(320, 180));
            const QColor left = meanColour(image, QRect(40, 40, 80, 100));
            const QColor right = meanColour(image, QRect(200, 40, 80, 100));
            EXPECT_TRUE(near(left, 210, 40, 40, colorimetry.tolerance)) << left.name().toStdString();
            EXPECT_TRUE(near(right, 40, 40, 210, colorimetry.tolerance)) << right.name().toStdString();
        }
    }
}

TEST(VideoFrame, RefusesSamplesItCannotShowOrRecord)
{
    const TestCameraFrame camera(0, 0, 64, 36);
    for (const GstVideoFormat format :
         {GST_VIDEO_FORMAT_RGB, GST_VIDEO_FORMAT_Y42B, GST_VIDEO_FORMAT_GRAY8}) {
        GstSample *sample = convertedSample(camera.frame(), format, "bt601");
        EXPECT_TRUE(VideoFrame::fromSample(sample, 0).isNull()) << gst_video_format_to_string(format);
        gst_sample_unref(sample);
    }
}
