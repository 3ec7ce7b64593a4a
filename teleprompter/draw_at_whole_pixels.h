#pragma once

#include <QImage>
#include <QPointF>
#include <QTransform>

class QPainter;

namespace tandrel {

// Draws a ready image (made at its own device pixel ratio, and mirrored
// already when `toDevice` mirrors) whose top-left corner lies at `topLeft` in
// the coordinates that `toDevice` maps into `painter`'s, whose own world
// transform is the identity; the image's offset() moves it by that many
// device pixels. The corner is rounded to a whole device pixel, so that the
// image is only blended, never resampled; text and shadows look the same a
// fraction of a pixel off.
void drawAtWholePixels(QPainter &painter, const QTransform &toDevice, const QImage &image, QPointF topLeft);

// Device pixels per point of what `painter` paints on in the end: the
// backing store or image behind a widget, not the widget itself.
qreal targetPixelRatio(const QPainter &painter);

// `image` as it is drawn under a transform that mirrors or not.
QImage mirroredIf(QImage image, bool mirrored);

// A premultiplied `image` without its clear rows at the top and bottom (the
// room above lower-case letters, the blur's empty edge), its offset() moved
// down by the rows cut: a paint blends only rows that show.
QImage withoutClearRows(QImage image);

// Ready images are cached by their size in kilobytes, up to a budget that
// holds a few screens of words at `dpr` device pixels per point.
inline qsizetype cacheCost(const QImage &image)
{
    return image.sizeInBytes() / 1024 + 1;
}
inline qsizetype cacheBudget(qreal dpr)
{
    return qsizetype(32 * 1024 * dpr * dpr);
}

} // namespace tandrel
