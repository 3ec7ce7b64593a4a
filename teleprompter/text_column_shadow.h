#pragma once

#include "teleprompter/draw_at_whole_pixels.h"

#include <QCache>
#include <QImage>
#include <QString>

class QFont;
class QPainter;
class QPointF;
class QTransform;

namespace tandrel {

class TeleprompterLayout;

// The soft shadow the text column casts on the video behind it: black at
// 0.85, blurred with a radius of 14 points, 2 points down. The shadows of the
// title, of the note shown instead of words and of every distinct word are
// rendered once, in device pixels and already mirrored when the column is, and
// drawn at whole device pixels, so that a paint only blends ready images.
// Main thread only, like the view that owns it.
class TextColumnShadow
{
public:
    static constexpr double radius = 14;
    static constexpr double opacity = 0.85;
    static constexpr double drop = 2;

    // Forgets every rendered shadow; the layout they were made for changed.
    void clear();
    // Draws, under `painter`'s transform into the column's coordinates, the
    // shadows of the title, of the note and of the words [first, last) of
    // `layout`. A change of mirroring or pixel ratio renders them anew.
    void paint(QPainter &painter, const TeleprompterLayout &layout, qsizetype first, qsizetype last);

private:
    const QImage &wordShadow(const QString &text, const QFont &font);
    static void draw(QPainter &painter, const QTransform &toDevice, const QImage &shadow, QPointF boxTopLeft);

    qreal m_dpr = 1;
    bool m_mirrored = false;
    QCache<QString, QImage> m_words{cacheBudget(1)}; // many distinct words, few on screen
    QString m_oversizedWord;
    QImage m_oversized;
    QImage m_title;
    QImage m_note;
};

} // namespace tandrel
