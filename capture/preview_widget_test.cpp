#include "capture/preview_widget.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

// 100 x 100: red left half, blue right half, with a green band along the top.
QImage testFrame()
{
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, 50, 100, Qt::red);
    p.fillRect(50, 0, 50, 100, Qt::blue);
    p.fillRect(0, 0, 100, 10, Qt::green);
    return image;
}

} // namespace

TEST(PreviewWidget, TargetRectFitsOrFillsAboutTheCentre)
{
    using S = PreviewFramePainter::Scaling;
    const struct
    {
        QSizeF frame;
        QRectF bounds;
        S scaling;
        QRectF expected;
    } cases[] = {
            {{1920, 1080}, {0, 0, 640, 640}, S::fit, {0, 140, 640, 360}},
            {{1920, 1080}, {0, 0, 640, 640}, S::fill, {-248.888888888889, 0, 1137.777777777778, 640}},
            {{100, 100}, {0, 0, 200, 100}, S::fit, {50, 0, 100, 100}},
            {{100, 100}, {0, 0, 200, 100}, S::fill, {0, -50, 200, 200}},
            {{0, 0}, {0, 0, 200, 100}, S::fit, {}},
    };
    for (const auto &c : cases) {
        const QRectF r = PreviewFramePainter::targetRect(c.frame, c.bounds, c.scaling);
        EXPECT_NEAR(r.x(), c.expected.x(), 1e-6);
        EXPECT_NEAR(r.y(), c.expected.y(), 1e-6);
        EXPECT_NEAR(r.width(), c.expected.width(), 1e-6);
        EXPECT_NEAR(r.height(), c.expected.height(), 1e-6);
    }
}

TEST(PreviewWidget, FitsTheFrameOnBlackMirrorsItAboutTheCentreAndShowsBlackWithoutOne)
{
    PreviewWidget preview;
    preview.resize(200, 100);
    preview.setFrame(testFrame());

    const struct
    {
        bool h, v;
        QColor left, right, top;
    } cases[] = {
            {false, false, Qt::red, Qt::blue, Qt::green}, {true, false, Qt::blue, Qt::red, Qt::green},
            {false, true, Qt::red, Qt::blue, Qt::red},    {true, true, Qt::blue, Qt::red, Qt::blue},
            {false, false, Qt::red, Qt::blue, Qt::green}, // flips off again: back to the original
    };
    for (const auto &c : cases) {
        preview.setFlips(c.h, c.v);
        const QImage shot = preview.grab().toImage();
        EXPECT_EQ(shot.pixelColor(20, 50), QColor(Qt::black)) << c.h << c.v; // pillarbox
        EXPECT_EQ(shot.pixelColor(180, 50), QColor(Qt::black)) << c.h << c.v;
        EXPECT_EQ(shot.pixelColor(75, 50), c.left) << c.h << c.v;
        EXPECT_EQ(shot.pixelColor(125, 50), c.right) << c.h << c.v;
        EXPECT_EQ(shot.pixelColor(75, 3), c.top) << c.h << c.v;
    }
    preview.setFrame(QImage());
    EXPECT_EQ(preview.grab().toImage().pixelColor(100, 50), QColor(Qt::black));
}
