#include "capture/crop_overlay.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPointF pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void drag(QWidget *w, QPointF from, QPointF to)
{
    sendMouse(w, QEvent::MouseButtonPress, from);
    sendMouse(w, QEvent::MouseMove, (from + to) / 2);
    sendMouse(w, QEvent::MouseMove, to);
    sendMouse(w, QEvent::MouseButtonRelease, to);
}

} // namespace

TEST(CropOverlay, FrameGeometryFollowsTheSourceShape)
{
    const struct
    {
        double w, h;
        bool landscape;
        double offset, frame, slack, left;
    } cases[] = {
            {640, 360, true, 0.5, 202.5, 437.5, 218.75}, // 16:9 preview
            {640, 360, true, 0, 202.5, 437.5, 0},
            {640, 360, true, 1, 202.5, 437.5, 437.5},
            {360, 640, false, 0.5, 360, 0, 0}, // portrait source: frame is the whole width
            {400, 400, true, 0.5, 225, 175, 87.5}, // square counts as landscape
            {100, 400, true, 0.5, 225, 0, 0}, // frame wider than the preview: no slack
    };
    for (const auto &c : cases) {
        const auto g = CropFrameGeometry::make(c.w, c.h, c.landscape, c.offset);
        EXPECT_DOUBLE_EQ(g.frameWidth, c.frame) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(g.slack, c.slack) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(g.frameLeft, c.left) << c.w << "x" << c.h;
    }
}

TEST(CropOverlay, DragRuleMovesByTranslationOverSlackWithinZeroToOne)
{
    const struct
    {
        double origin, translation, slack;
        std::optional<double> result;
    } cases[] = {
            {0, 437.5, 437.5, 1.0},    {0, 218.75, 437.5, 0.5}, {0, 900, 437.5, 1.0},
            {0.5, -437.5, 437.5, 0.0}, {0.2, 0, 437.5, 0.2},    {0.5, 100, 0, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CropFrameGeometry::draggedOffset(c.origin, c.translation, c.slack), c.result)
                << c.origin << " + " << c.translation << " / " << c.slack;
}

TEST(CropOverlay, DraggingMovesALandscapeFrameUpToTheEdgesAndNeverAPortraitOne)
{
    CropOverlay overlay;
    overlay.resize(640, 360);
    overlay.setOffset(0);
    QSignalSpy spy(&overlay, &CropOverlay::offsetChanged);

    drag(&overlay, {100, 100}, {100 + 218.75, 120});
    EXPECT_DOUBLE_EQ(overlay.offset(), 0.5);
    drag(&overlay, {300, 100}, {1200, 100});
    EXPECT_DOUBLE_EQ(overlay.offset(), 1.0);
    drag(&overlay, {300, 100}, {-900, 100});
    EXPECT_DOUBLE_EQ(overlay.offset(), 0.0);
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_DOUBLE_EQ(spy.last().at(0).toDouble(), 0.0);

    // A pointer that moves less than a point is a click, not a drag.
    const qsizetype before = spy.size();
    drag(&overlay, {300, 100}, {300.5, 100});
    EXPECT_EQ(spy.size(), before);

    // The frame of a portrait source covers it whole: nothing to drag.
    overlay.resize(360, 640);
    overlay.setIsLandscape(false);
    drag(&overlay, {10, 10}, {300, 10});
    EXPECT_DOUBLE_EQ(overlay.offset(), 0.0);
    EXPECT_EQ(spy.size(), before);
}

TEST(CropOverlay, OutOfRangeOffsetsAreLimited)
{
    CropOverlay overlay;
    const struct
    {
        double in, out;
    } cases[] = {{-0.5, 0}, {1.7, 1}, {0.25, 0.25}, {std::nan(""), 0}};
    for (const auto &c : cases) {
        overlay.setOffset(c.in);
        EXPECT_DOUBLE_EQ(overlay.offset(), c.out) << c.in;
    }
}

TEST(CropOverlay, DarkensOnlyOutsideTheFrame)
{
    QWidget backdrop;
    backdrop.resize(640, 360);
    backdrop.setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, Qt::white);
    backdrop.setPalette(pal);
    auto *overlay = new CropOverlay(&backdrop);
    overlay->setGeometry(backdrop.rect());
    overlay->setOffset(0.5); // frame from 218.75 to 421.25

    const QImage shot = backdrop.grab().toImage();
    const QColor outsideLeft = shot.pixelColor(100, 180);
    const QColor outsideRight = shot.pixelColor(540, 180);
    const QColor inside = shot.pixelColor(320, 180);
    const QColor border = shot.pixelColor(219, 180);
    EXPECT_NEAR(outsideLeft.red(), 140, 3); // white under black at 0.45
    EXPECT_NEAR(outsideRight.red(), 140, 3);
    EXPECT_EQ(inside, QColor(Qt::white));
    EXPECT_GT(border.red(), 200);
}
