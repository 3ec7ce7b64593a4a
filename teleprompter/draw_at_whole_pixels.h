#pragma once

#include <QImage>
#include <QPointF>
#include <QTransform>

class QPainter;

namespace tandrel {

// Draws a ready image (made at its own device pixel ratio, and mirrored
// already when `toDevice` mirrors) whose top-left corner lies at `topLeft` in
// the coordinates that `toDevice` maps into `painter`'s, whose own world
// transform is the identity. The corner is rounded to a whole device pixel, so
// that the image is only blended, never resampled; text and shadows look the
// same a fraction of a pixel off.
void drawAtWholePixels(QPainter &painter, const QTransform &toDevice, const QImage &image, QPointF topLeft);

// Device pixels per point of what `painter` paints on in the end: the
// backing store or image behind a widget, not the widget itself.
qreal targetPixelRatio(const QPainter &painter);

// `image` as it is drawn under a transform that mirrors or not.
QImage mirroredIf(QImage image, bool mirrored);

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
