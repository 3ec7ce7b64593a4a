#pragma once

#include "teleprompter/teleprompter_text_placement.h"

#include <QSizeF>

namespace tandrel {

// Where the reading line and the text column sit in a window of the given
// content size. All values in points; y grows downwards.
struct LayoutMetrics
{
    double readingLine = 0; // distance of the reading line from the window's top
    double columnWidth = 0;

    static LayoutMetrics make(QSizeF contentSize, TeleprompterTextPlacement placement);
    // The reading line alone; a window less than a point high counts as one point.
    static double readingLineFor(double height, TeleprompterTextPlacement placement);

    bool operator==(const LayoutMetrics &) const = default;
};

} // namespace tandrel
