#include "teleprompter/word_flow_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tandrel {

QList<WordRow> WordFlowLayout::breakRows(const QList<MeasuredElement> &elements, double maxWidth) const
{
    QList<WordRow> rows;
    WordRow current;
    double x = 0;
    for (const MeasuredElement &element : elements) {
        const double w = element.size.width();
        if (!current.isEmpty() && std::isfinite(maxWidth) && maxWidth < x + w) {
            rows.append(current);
            current.clear();
            x = 0;
        }
        current.append(element);
        x += w + spacing;
    }
    if (!current.isEmpty())
        rows.append(current);
    return rows;
}

double WordFlowLayout::rowWidth(const WordRow &row) const
{
    double width = 0;
    for (const MeasuredElement &element : row)
        width += element.size.width();
    if (!row.isEmpty())
        width += spacing * double(row.size() - 1);
    return width;
}

static double rowHeight(const WordRow &row)
{
    double height = 0;
    for (const MeasuredElement &element : row)
        height = std::max(height, element.size.height());
    return height;
}

QSizeF WordFlowLayout::measure(std::optional<double> proposedWidth,
                               const QList<MeasuredElement> &elements) const
{
    const double maxWidth = proposedWidth.value_or(std::numeric_limits<double>::infinity());
    const QList<WordRow> rows = breakRows(elements, maxWidth);
    double height = 0;
    double widest = 0;
    for (const WordRow &row : rows) {
        height += rowHeight(row);
        widest = std::max(widest, rowWidth(row));
    }
    if (!rows.isEmpty())
        height += lineSpacing * double(rows.size() - 1);
    const double width = proposedWidth && std::isfinite(*proposedWidth) ? *proposedWidth : widest;
    return {width, height};
}

QList<QRectF> WordFlowLayout::place(const QRectF &granted, const QList<MeasuredElement> &elements) const
{
    QList<QRectF> frames;
    frames.reserve(elements.size());
    double y = granted.top();
    for (const WordRow &row : breakRows(elements, granted.width())) {
        double x = centersRows ? granted.center().x() - rowWidth(row) / 2 : granted.left();
        double tallest = 0;
        for (const MeasuredElement &element : row) {
            frames.append(QRectF(QPointF(x, y), element.size));
            x += element.size.width() + spacing;
            tallest = std::max(tallest, element.size.height());
        }
        y += tallest + lineSpacing;
    }
    return frames;
}

} // namespace tandrel
