#pragma once

#include "speech/token.h"
#include "teleprompter/layout_metrics.h"
#include "teleprompter/teleprompter_text_placement.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>

class QTextLayout;

namespace tandrel {

// Everything the text column's layout depends on.
struct TeleprompterLayoutInput
{
    QList<Token> tokens;
    QString script;
    QString title;
    double fontSize = 56;
    TeleprompterTextPlacement placement = TeleprompterTextPlacement::standard;
    QSizeF windowSize;
    bool operator==(const TeleprompterLayoutInput &) const = default;
};

// The laid-out text column: the title, every word's frame and the column's
// height. Frames are in the column's own coordinates ("prompterText"): x from
// the column's left edge, y from its top, before any scrolling. They change
// only when the input changes, so the view keeps one layout between frames.
class TeleprompterLayout
{
public:
    static TeleprompterLayout build(const TeleprompterLayoutInput &input);

    const TeleprompterLayoutInput &input() const { return m_input; }
    const LayoutMetrics &metrics() const { return m_metrics; }
    // Where the column's left edge sits in the window: the column is centred.
    double columnLeft() const { return m_columnLeft; }
    double contentHeight() const { return m_contentHeight; }

    const QFont &wordFont() const { return m_wordFont; }
    const QFont &titleFont() const { return m_titleFont; }
    QRectF titleRect() const { return m_titleRect; }
    Qt::Alignment alignment() const;

    // The frame of word i at index i.
    const QList<QRectF> &wordFrames() const { return m_wordFrames; }
    // The top of word i at index i, never decreasing.
    QList<double> wordMinY() const;
    // Indices [first, last) of the words that reach into the band of column
    // y coordinates [top, bottom].
    std::pair<qsizetype, qsizetype> wordsBetween(double top, double bottom) const;

    // Without tokens: the text block shown instead of words (the script as it
    // stands, or the note that there is no text), laid out in the column.
    QString fallbackText() const { return m_fallbackText; }
    QRectF fallbackRect() const { return m_fallbackRect; }
    const QTextLayout *fallbackLayout() const { return m_fallbackLayout.get(); }

private:
    void layOutWords(double top);
    void layOutFallback(double top);

    TeleprompterLayoutInput m_input;
    LayoutMetrics m_metrics;
    double m_columnLeft = 0;
    double m_contentHeight = 0;
    QFont m_wordFont;
    QFont m_titleFont;
    QRectF m_titleRect;
    QList<QRectF> m_wordFrames;
    QString m_fallbackText;
    QRectF m_fallbackRect;
    std::shared_ptr<QTextLayout> m_fallbackLayout;
};

} // namespace tandrel
