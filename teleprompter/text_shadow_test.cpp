#include "teleprompter/teleprompter_font.h"
#include "teleprompter/text_shadow.h"

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

TEST(TextShadow, ReachesBeyondTheTextBox)
{
    const QImage shadow = textShadow(QStringLiteral("Kamera"), teleprompterFont(56, QFont::Medium), 14);
    ASSERT_FALSE(shadow.isNull());
    int leftMargin = 0, middle = 0;
    for (int y = 0; y < shadow.height(); ++y) {
        leftMargin = std::max(leftMargin, int(shadow.constBits()[y * shadow.bytesPerLine() + 10]));
        middle = std::max(middle, int(shadow.constBits()[y * shadow.bytesPerLine() + shadow.width() / 2]));
    }
    EXPECT_GT(leftMargin, 0); // 4 pixels left of the text box
    EXPECT_GT(middle, leftMargin);
    EXPECT_EQ(int(shadow.constBits()[0]), 0); // the corner stays clear
}
