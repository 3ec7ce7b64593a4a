#include "platform/display_name.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(DisplayName, EqualNamesAreToldApartByNumberAndSize)
{
    const DisplayInfo laptop{1, "eDP-1", QRect(0, 0, 1920, 1200), {}};
    const DisplayInfo left{2, "screen", QRect(1920, 0, 1920, 1080), ":1.0"};
    const DisplayInfo right{3, "screen", QRect(0, 0, 1280, 1024), ":1.1"};
    const DisplayInfo unnamed{4, QString(), QRect(0, 0, 800, 600), {}};
    const QList<DisplayInfo> all{laptop, left, right, unnamed};
    const struct
    {
        DisplayInfo display;
        QList<DisplayInfo> displays;
        const char *name;
    } cases[] = {
            {laptop, all, "eDP-1"},
            {left, all, "screen · 2 (1920 × 1080)"},
            {right, all, "screen · 3 (1280 × 1024)"},
            {left, {laptop, left}, "screen"},
            {unnamed, all, "Display 4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(displayName(c.display, c.displays), QString::fromUtf8(c.name)) << c.name;
}
