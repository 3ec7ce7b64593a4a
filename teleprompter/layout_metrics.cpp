#include "teleprompter/layout_metrics.h"

#include <algorithm>

namespace tandrel {

double LayoutMetrics::readingLineFor(double height, TeleprompterTextPlacement placement)
{
    const double h = std::max(height, 1.0);
    return placement == TeleprompterTextPlacement::center ? h * 0.48 : h * 0.22;
}

LayoutMetrics LayoutMetrics::make(QSizeF contentSize, TeleprompterTextPlacement placement)
{
    const double w = contentSize.width();
    const double h = contentSize.height();
    LayoutMetrics metrics;
    metrics.readingLine = readingLineFor(h, placement);
    metrics.columnWidth = placement == TeleprompterTextPlacement::center
            ? std::max(std::min(w * 0.72, 1180.0), 280.0)
            : std::max(w * 0.84, 280.0);
    return metrics;
}

} // namespace tandrel
