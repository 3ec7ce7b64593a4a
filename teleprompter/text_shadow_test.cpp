#include "teleprompter/teleprompter_font.h"
#include "teleprompter/text_shadow.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

using namespace tandrel;

TEST(TextShadow, BlurSpreadsAlphaSymmetrically)
{
    QImage image(31, 31, QImage::Format_Alpha8);
    image.fill(0);
    image.bits()[15 * image.bytesPerLine() + 15] = 255;
    blurAlpha(image, 2);
    auto alpha = [&](int x, int y) { return int(image.constBits()[y * image.bytesPerLine() + x]); };
    int total = 0;
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 31; ++x)
            total += alpha(x, y);
    EXPECT_LT(alpha(15, 15), 255);
    EXPECT_GT(alpha(15, 15), alpha(16, 15));
    EXPECT_EQ(alpha(12, 15), alpha(18, 15));
    EXPECT_EQ(alpha(15, 12), alpha(15, 18));
    EXPECT_GT(alpha(15, 19), 0); // three passes of half-width 2 reach 6 pixels
    EXPECT_EQ(alpha(15, 22), 0);
    EXPECT_LE(total, 255 + 25); // rounding may not add more than a trace
}

TEST(TextShadow, ReachesBeyondTheTextBoxAtEveryPixelRatio)
{
    const QFont font = teleprompterFont(56, QFont::Medium);
    const QFontMetricsF fm(font);
    for (const qreal dpr : {1.0, 2.0}) {
        const QImage shadow = textShadow("Kamera", font, 14, 0.85, dpr);
        ASSERT_FALSE(shadow.isNull()) << dpr;
        EXPECT_EQ(shadow.devicePixelRatio(), dpr);
        EXPECT_NEAR(shadow.width(), (fm.horizontalAdvance("Kamera") + 28) * dpr, 1) << dpr;
        EXPECT_NEAR(shadow.height(), (fm.height() + 28) * dpr, 1) << dpr;
        int leftMargin = 0, middle = 0;
        for (int y = 0; y < shadow.height(); ++y) {
            leftMargin = std::max(leftMargin, qAlpha(shadow.pixel(int(10 * dpr), y)));
            middle = std::max(middle, qAlpha(shadow.pixel(shadow.width() / 2, y)));
        }
        EXPECT_GT(leftMargin, 0) << dpr; // 4 points left of the text box
        EXPECT_GT(middle, leftMargin) << dpr;
        EXPECT_LE(middle, 217) << dpr; // never darker than its opacity
        EXPECT_EQ(shadow.pixel(0, 0), 0u) << dpr; // the corner stays clear
    }
}
