#pragma once

#include <QPainterPath>
#include <QRectF>

namespace tandrel {

// A rectangle with a rectangular hole: filled with the even-odd rule, the
// hole stays clear.
struct HoleShape
{
    QRectF hole;

    QPainterPath path(const QRectF &rect) const
    {
        QPainterPath p;
        p.setFillRule(Qt::OddEvenFill);
        p.addRect(rect);
        p.addRect(hole);
        return p;
    }

    bool operator==(const HoleShape &) const = default;
};

} // namespace tandrel
