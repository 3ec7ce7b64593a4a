#include "capture/screen_capture_source.h"
#include "platform/display_list.h"
#include "tests/support/wait_until.h"

#include <QCursor>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

using namespace tandrel;
using tandrel::testing::waitUntil;

namespace {

QList<ScreenTarget> xvfbScreens()
{
    QList<ScreenTarget> targets;
    for (const DisplayInfo &d : DisplayList::instance()->displays())
        targets.append({d.number, d.x11Display, QRect(QPoint(0, 0), d.geometry.size()), nullptr});
    return targets;
}

struct Received
{
    std::mutex lock;
    QList<QSize> sizes;
    QList<double> times;
    QImage last;
    int count()
    {
        std::lock_guard guard(lock);
        return int(sizes.size());
    }
};

} // namespace

TEST(ScreenCaptureSource, StreamsEachDisplayAtItsOwnSize)
{
    SerialQueue queue("test.output");
    ScreenCaptureSource source;
    Received received;
    QSizeF started;
    source.onFrame = [&](const VideoFrame &frame) {
        std::lock_guard guard(received.lock);
        received.sizes.append(QSize(frame.width(), frame.height()));
        received.times.append(frame.time());
        received.last = frame.image();
    };
    source.onStarted = [&](double w, double h) { started = QSizeF(w, h); };
    const QList<ScreenTarget> screens = xvfbScreens();
    ASSERT_EQ(screens.size(), 2);
    source.setDisplays(screens);

    for (const ScreenTarget &screen : screens) {
        {
            std::lock_guard guard(received.lock);
            received.sizes.clear();
        }
        const BasicStatus<SourceFailure> status = source.start(screen.number, queue);
        ASSERT_TRUE(status.ok()) << status.error().detail.toStdString();
        EXPECT_TRUE(source.isStreaming());
        EXPECT_EQ(started, QSizeF(screen.pixelRect.size()));
        ASSERT_TRUE(waitUntil([&] { return received.count() >= 3; }));
        std::lock_guard guard(received.lock);
        for (const QSize &size : std::as_const(received.sizes))
            EXPECT_EQ(size, screen.pixelRect.size());
        // Pictures carry capture times on the monotonic clock, as microphone buffers do.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        EXPECT_NEAR(received.times.last(), double(now.tv_sec) + now.tv_nsec / 1e9, 1.0);
        EXPECT_GT(received.times.last(), received.times.first());
        received.times.clear();
    }
    source.stop();
    EXPECT_FALSE(source.isStreaming());
    const int afterStop = received.count();
    queue.postAndWait([] {});
    QThread::msleep(200);
    EXPECT_EQ(received.count(), afterStop);
}

TEST(ScreenCaptureSource, ShowsWhatIsOnTheScreenWithoutTheCursor)
{
    // A window filling the first screen in a known colour.
    QScreen *screen = DisplayList::instance()->screen(xvfbScreens().first().number);
    ASSERT_NE(screen, nullptr);
    QWidget window;
    window.setScreen(screen);
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(20, 200, 40));
    window.setPalette(palette);
    window.setGeometry(screen->geometry());
    window.showFullScreen();
    waitUntil([&] { return window.isVisible(); });
    // The pointer rests in the middle of that screen.
    QCursor::setPos(screen, screen->geometry().center());
    waitUntil([] { return false; }, 300);

    SerialQueue queue("test.output");
    ScreenCaptureSource source;
    Received received;
    source.onFrame = [&](const VideoFrame &frame) {
        std::lock_guard guard(received.lock);
        received.sizes.append(QSize(frame.width(), frame.height()));
        received.last = frame.image().copy();
    };
    source.setDisplays(xvfbScreens());
    ASSERT_TRUE(source.start(xvfbScreens().first().number, queue).ok());
    ASSERT_TRUE(waitUntil([&] { return received.count() >= 2; }));
    source.stop();
    std::lock_guard guard(received.lock);
    const QImage &image = received.last;
    int otherPixels = 0;
    for (int y = image.height() / 2 - 24; y < image.height() / 2 + 24; ++y) {
        for (int x = image.width() / 2 - 24; x < image.width() / 2 + 24; ++x)
            otherPixels += QColor(image.pixel(x, y)) != QColor(20, 200, 40);
    }
    EXPECT_EQ(otherPixels, 0);
}

TEST(ScreenCaptureSource, AnUnreachableDisplayFailsWithoutAStream)
{
    SerialQueue queue("test.output");
    ScreenCaptureSource source;
    source.stop(); // nothing to stop
    // An unknown display: AScreenThatIsNotConnectedLeavesThePreviewWithoutPicture.
    source.setDisplays({{7, QStringLiteral(":4242.0"), QRect(0, 0, 640, 480), nullptr}});
    const BasicStatus<SourceFailure> unreachable = source.start(7, queue);
    EXPECT_FALSE(unreachable.ok());
    EXPECT_EQ(unreachable.error().kind, SourceFailure::Kind::reported);
    EXPECT_FALSE(unreachable.error().detail.isEmpty());
    EXPECT_FALSE(source.isStreaming());
}
