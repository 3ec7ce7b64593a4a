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
        bool overBlack = false; // no under row: black
    } cases[] = {{1, 255, 2},         {7, 255, 2},  {8, 140, 3},        {29, 0, 3}, {1661, 255, 2},
                 {1661, 77, 3},       {9, 255, 0, true}, {1661, 255, 0, true}, {1661, 90, 1, true}};
    for (const auto &c : cases) {
        QImage over(c.count, 1, QImage::Format_ARGB32_Premultiplied), under(c.count, 1, QImage::Format_RGB32);
        auto *o = reinterpret_cast<QRgb *>(over.bits());
        auto *u = reinterpret_cast<QRgb *>(under.bits());
        for (int i = 0; i < c.count; ++i) {
            // Clear, opaque and in between, as a text layer has them.
            const int alpha = i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : int(random.bounded(256));
            const auto part = [&] { return int(random.bounded(alpha + 1)); };
            o[i] = qRgba(part(), part(), part(), alpha);
            u[i] = c.overBlack ? 0xff000000u : 0xff000000u | (random.generate() & 0xffffffu);
        }
        QImage expected = under.copy();
        {
            QPainter p(&expected);
            p.drawImage(0, 0, over);
            p.fillRect(expected.rect(), QColor(0, 0, 0, 255 - c.shade));
        }
        for (const bool portable : {false, true}) {
            QImage blended(c.count, 1, QImage::Format_RGB32);
            (portable ? blendRowOverPortable : blendRowOver)(
                    over.constBits(), c.overBlack ? nullptr : under.constBits(), blended.bits(), c.count, c.shade);
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

// A row scaled by a factor per pixel, read forwards or backwards, as QPainter
// lays black of the opacity the factor leaves over the row, mirrored.
TEST(PixelRows, ShadeAsBlackLaidOverInEitherDirection)
{
    QRandomGenerator random(11);
    for (const int count : {1, 7, 8, 29, 1661}) {
        for (const bool mirrored : {false, true}) {
            QImage row(count, 1, QImage::Format_RGB32);
            std::vector<uint8_t> factors(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                reinterpret_cast<QRgb *>(row.bits())[i] = 0xff000000u | (random.generate() & 0xffffffu);
                factors[size_t(i)] = i % 4 == 0 ? 255 : i % 4 == 1 ? 0 : uint8_t(random.bounded(256));
            }
            QImage expected = row.mirrored(mirrored, false);
            {
                QPainter p(&expected);
                for (int i = 0; i < count; ++i)
                    p.fillRect(i, 0, 1, 1, QColor(0, 0, 0, 255 - factors[size_t(i)]));
            }
            for (const bool portable : {false, true}) {
                QImage shaded(count, 1, QImage::Format_RGB32);
                (portable ? shadeRowPortable : shadeRow)(row.constBits(), factors.data(), shaded.bits(), count,
                                                        mirrored);
                int worst = 0;
                for (int i = 0; i < count; ++i) {
                    const QRgb got = shaded.pixel(i, 0), want = expected.pixel(i, 0);
                    EXPECT_EQ(qAlpha(got), 255);
                    worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                                      std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
                }
                EXPECT_LE(worst, 1) << count << " pixels" << (mirrored ? " mirrored" : "")
                                    << (portable ? " portable" : "");
            }
        }
    }
}

} // namespace
