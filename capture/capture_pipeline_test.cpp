#include "capture/capture_pipeline.h"
#include "capture/gst_support.h"
#include "capture/latest_frame_relay.h"
#include "tests/support/wait_until.h"

#include <atomic>
#include <future>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <mutex>

using namespace tandrel;
using tandrel::testing::waitUntil;

namespace {

const QString toBGRA = QStringLiteral("videoconvert ! capsfilter caps=\"video/x-raw,format=BGRA\"");

GstElement *livePattern()
{
    ensureGstInitialized();
    GstElement *source = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(source, "is-live", TRUE, nullptr);
    return source;
}

GstSample *sampleOfWidth(int width)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, width, 4);
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstCaps *caps = gst_video_info_to_caps(&info);
    GstSample *sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

} // namespace

TEST(CapturePipeline, DeliversBGRASamplesWithRisingCaptureTimes)
{
    std::mutex lock;
    std::vector<double> times;
    CapturePipeline::Handlers handlers;
    handlers.onSample = [&](GstSample *sample, double time) {
        const VideoFrame frame = VideoFrame::fromSample(sample, time);
        ASSERT_FALSE(frame.isNull());
        std::lock_guard guard(lock);
        times.push_back(time);
    };
    auto pipeline = CapturePipeline::start(livePattern(), toBGRA, true, handlers);
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().detail.toStdString();
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard guard(lock);
        return times.size() >= 5;
    }));
    pipeline.value()->stop();
    std::lock_guard guard(lock);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GT(times[i], times[i - 1]);
}

TEST(CapturePipeline, ADeviceThatCannotOpenFailsTheStartWithGStreamersText)
{
    ensureGstInitialized();
    GstElement *camera = gst_element_factory_make("v4l2src", nullptr);
    g_object_set(camera, "device", "/dev/video-that-does-not-exist", nullptr);
    std::atomic<int> samples{0};
    CapturePipeline::Handlers handlers;
    handlers.onSample = [&](GstSample *, double) { ++samples; };
    const auto pipeline = CapturePipeline::start(camera, toBGRA, true, handlers);
    EXPECT_FALSE(pipeline.ok());
    EXPECT_EQ(pipeline.error().kind, SourceFailure::Kind::reported);
    EXPECT_FALSE(pipeline.error().detail.isEmpty());
    EXPECT_EQ(samples, 0);
}

TEST(CapturePipeline, AStreamErrorIsReportedOnceAndNeverAfterStop)
{
    GstElement *source = livePattern();
    gst_object_ref(source);
    std::atomic<int> errors{0};
    SourceFailure reported;
    CapturePipeline::Handlers handlers;
    handlers.onError = [&](const SourceFailure &failure) {
        reported = failure;
        ++errors;
    };
    auto pipeline = CapturePipeline::start(source, toBGRA, true, handlers);
    ASSERT_TRUE(pipeline.ok());
    // What an element does when its device goes away mid-stream.
    const auto postError = [&] {
        GError *error
                = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "Gerät verschwunden");
        gst_element_post_message(source, gst_message_new_error(GST_OBJECT(source), error, nullptr));
        g_error_free(error);
    };
    postError();
    postError();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(reported, (SourceFailure{SourceFailure::Kind::reported, QStringLiteral("Gerät verschwunden")}));
    pipeline.value()->stop();
    postError();
    EXPECT_EQ(errors, 1);
    gst_object_unref(source);
}

TEST(LatestFrameRelay, AQueueThatFallsBehindGetsOnlyTheNewestPicture)
{
    ensureGstInitialized();
    SerialQueue queue("test.output");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue.post([released] { released.wait(); });

    std::vector<int> widths;
    auto relay = LatestFrameRelay::create(queue,
                                          [&](const VideoFrame &frame) { widths.push_back(frame.width()); });
    for (int width = 1; width <= 5; ++width) {
        GstSample *sample = sampleOfWidth(width * 8);
        relay->push(sample, width);
        gst_sample_unref(sample);
    }
    release.set_value();
    queue.postAndWait([] {});
    EXPECT_EQ(widths, std::vector<int>{40});

    GstSample *late = sampleOfWidth(64);
    relay->close();
    relay->push(late, 6);
    gst_sample_unref(late);
    queue.postAndWait([] {});
    EXPECT_EQ(widths, std::vector<int>{40});
}
