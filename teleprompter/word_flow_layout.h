#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace tandrel {

// One word element with the size it asks for when nothing constrains it.
struct MeasuredElement
{
    qint64 tokenIndex = 0;
    QSizeF size;
    bool operator==(const MeasuredElement &) const = default;
};

using WordRow = QList<MeasuredElement>;

// Breaks a paragraph's words into rows and places them. Words are never
// split: a word wider than the available width gets a row of its own and
// sticks out of it. Nothing is cached; measuring and placing both break anew.
struct WordFlowLayout
{
    double spacing = 0; // horizontal gap between two words of a row
    double lineSpacing = 0; // vertical gap between two rows
    bool centersRows = false;

    // `maxWidth` may be infinite. A word fits when the words before it, each
    // followed by one gap, plus the word itself do not exceed `maxWidth`.
    QList<WordRow> breakRows(const QList<MeasuredElement> &elements, double maxWidth) const;

    // The size the paragraph needs for a proposed width (none: unconstrained).
    QSizeF measure(std::optional<double> proposedWidth, const QList<MeasuredElement> &elements) const;

    // The frame of every element, in element order, inside the granted rectangle.
    QList<QRectF> place(const QRectF &granted, const QList<MeasuredElement> &elements) const;

    // Sum of the widths plus one gap between neighbours.
    double rowWidth(const WordRow &row) const;

    bool operator==(const WordFlowLayout &) const = default;
};

} // namespace tandrel
