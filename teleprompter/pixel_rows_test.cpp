#include "teleprompter/pixel_rows.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <vector>

using namespace tandrel;

namespace {

// Rows of random premultiplied pixels, the under row opaque, blended by both
// ways, compared with what QPainter draws for the same: the over row drawn
// over the under row, then black of the shade's opacity over that.
TEST(PixelRows, BlendAsQPainterDoesAtEveryLengthAndShade)
{
    QRandomGenerator random(7);
    const struct
    {
        int count;
        uint8_t shade;
        int tolerance; // the one-pass blend rounds as QPainter; libyuv's passes a little apart
    } cases[] = {{1, 255, 2}, {7, 255, 2}, {8, 140, 3}, {29, 0, 3}, {1661, 255, 2}, {1661, 77, 3}};
    for (const auto &c : cases) {
        QImage over(c.count, 1, QImage::Format_ARGB32_Premultiplied), under(c.count, 1, QImage::Format_RGB32);
        auto *o = reinterpret_cast<QRgb *>(over.bits());
        auto *u = reinterpret_cast<QRgb *>(under.bits());
        for (int i = 0; i < c.count; ++i) {
            // Clear, opaque and in between, as a text layer has them.
            const int alpha = i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : int(random.bounded(256));
            const auto part = [&] { return int(random.bounded(alpha + 1)); };
            o[i] = qRgba(part(), part(), part(), alpha);
            u[i] = 0xff000000u | (random.generate() & 0xffffffu);
        }
        QImage expected = under.copy();
        {
            QPainter p(&expected);
            p.drawImage(0, 0, over);
            p.fillRect(expected.rect(), QColor(0, 0, 0, 255 - c.shade));
        }
        for (const bool portable : {false, true}) {
            QImage blended(c.count, 1, QImage::Format_RGB32);
            (portable ? blendRowOverPortable : blendRowOver)(over.constBits(), under.constBits(),
                                                             blended.bits(), c.count, c.shade);
            int worst = 0;
            for (int i = 0; i < c.count; ++i) {
                const QRgb got = blended.pixel(i, 0), want = expected.pixel(i, 0);
                EXPECT_EQ(qAlpha(got), 255) << c.count;
                worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                                  std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
            }
            EXPECT_LE(worst, c.tolerance)
                    << c.count << " pixels, shade " << int(c.shade) << (portable ? " portable" : "");
        }
    }
}

} // namespace
