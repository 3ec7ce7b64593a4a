#include "teleprompter/teleprompter_backdrop.h"
#include "teleprompter/teleprompter_self_view.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

// Ramps across and down, so that a shift, a stretch or a turn of the picture
// changes the colour where it lands.
QImage rampFrame(QSize size)
{
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter p(&frame);
    QLinearGradient across(0, 0, size.width(), 0), down(0, 0, 0, size.height());
    across.setStops({{0, QColor(30, 0, 0)}, {1, QColor(240, 0, 0)}});
    down.setStops({{0, QColor(0, 30, 60)}, {1, QColor(0, 240, 200)}});
    p.fillRect(frame.rect(), across);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.fillRect(frame.rect(), down);
    return frame;
}

QColor black(double opacity)
{
    return QColor::fromRgbF(0, 0, 0, float(opacity));
}

// The backdrop as QPainter draws it: the frame centred to fill the window,
// turned about its centre, under the veil and the vignette.
QImage paintedBackdrop(const QImage &frame, QSize size, qreal dpr, bool flipH, bool flipV,
                       TeleprompterTextPlacement placement)
{
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    QPainter p(&image);
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    const double scale = std::max(bounds.width() / frame.width(), bounds.height() / frame.height());
    const QSizeF shown = QSizeF(frame.size()) * scale;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(bounds.center());
    p.scale(flipH ? -1 : 1, flipV ? -1 : 1);
    p.translate(-bounds.center());
    p.drawImage(QRectF(bounds.center() - QPointF(shown.width() / 2, shown.height() / 2), shown), frame);
    p.resetTransform();
    QLinearGradient veil(bounds.topLeft(), bounds.bottomLeft());
    veil.setStops({{0, black(0.62)}, {0.5, black(0.34)}, {1, black(0.5)}});
    p.fillRect(bounds, veil);
    const QPointF focus = placement == TeleprompterTextPlacement::center
            ? bounds.center()
            : QPointF(bounds.width() * 0.5, bounds.height() * 0.28);
    QRadialGradient vignette(focus, 780);
    vignette.setStops({{0, black(0.05)}, {40.0 / 780.0, black(0.05)}, {1, black(0.42)}});
    p.fillRect(bounds, vignette);
    return image;
}

} // namespace

TEST(TeleprompterBackdrop, MatchesTheFrameFilledFlippedAndShadedByQPainter)
{
    const struct
    {
        QSize frame;
        qreal dpr;
        bool flipH, flipV, mirrored;
        TeleprompterTextPlacement placement;
    } cases[] = {
            {{1280, 720}, 1, false, false, false, TeleprompterTextPlacement::standard}, // copied
            {{1280, 720}, 1, true, false, false, TeleprompterTextPlacement::center},
            {{1280, 720}, 1, true, true, true, TeleprompterTextPlacement::standard},
            {{640, 360}, 1, false, true, false, TeleprompterTextPlacement::standard}, // enlarged
            {{640, 360}, 1, true, false, false, TeleprompterTextPlacement::center},
            {{2560, 1440}, 1, false, false, true, TeleprompterTextPlacement::standard}, // reduced
            {{960, 720}, 1, true, true, false, TeleprompterTextPlacement::standard}, // 4:3, cut at top and
                                                                                     // bottom
            {{720, 1280}, 1, false, false, false, TeleprompterTextPlacement::center}, // portrait
            {{1280, 720}, 2, true, false, false, TeleprompterTextPlacement::standard}, // high density
    };
    const QSize window(1280, 720);
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.frame.width() << "x" << c.frame.height() << " dpr " << c.dpr
                                          << " flips " << c.flipH << c.flipV << " mirrored " << c.mirrored);
        TeleprompterSelfView video;
        video.setFlips(c.flipH, c.flipV);
        video.setFrame(rampFrame(c.frame));
        TeleprompterBackdrop backdrop;
        const QImage image = backdrop.image(video, window, c.dpr, c.mirrored, c.placement);
        const QImage expected
                = paintedBackdrop(video.frame(), window, c.dpr, c.flipH != c.mirrored, c.flipV, c.placement);
        ASSERT_EQ(image.size(), expected.size());
        EXPECT_EQ(image.devicePixelRatio(), c.dpr);
        double sum = 0;
        int worst = 0;
        // Away from the edges, where the two resamplers may treat the
        // outermost pixels differently.
        const int margin = int(4 * c.dpr);
        int count = 0;
        for (int y = margin; y < image.height() - margin; y += 3)
            for (int x = margin; x < image.width() - margin; x += 3, ++count) {
                const QRgb a = image.pixel(x, y), b = expected.pixel(x, y);
                EXPECT_EQ(qAlpha(a), 255);
                for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                    sum += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        EXPECT_LT(sum / (count * 3), 2.0);
        EXPECT_LE(worst, 8);
    }
}

TEST(TeleprompterBackdrop, FollowsEachNewFrameAndTheWindowAndForgetsTheFrameWhenItGoes)
{
    TeleprompterSelfView video;
    TeleprompterBackdrop backdrop;
    const auto standard = TeleprompterTextPlacement::standard;
    EXPECT_TRUE(backdrop.image(video, {640, 360}, 1, false, standard).isNull());
    video.setFrame(rampFrame({1280, 720}));
    const QImage first = backdrop.image(video, {640, 360}, 1, false, standard).copy();
    video.setFrame(rampFrame({1280, 720}).mirrored(true, false));
    EXPECT_NE(backdrop.image(video, {640, 360}, 1, false, standard), first);
    EXPECT_EQ(backdrop.image(video, {320, 180}, 1, false, standard).size(), QSize(320, 180));
    video.detach();
    EXPECT_TRUE(backdrop.image(video, {640, 360}, 1, false, standard).isNull());
}
