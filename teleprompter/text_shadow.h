#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <functional>

class QPainter;

namespace tandrel {

// A soft black shadow of whatever `paintShape` draws into a box of `size`
// points (its painter is set up in the box's coordinates with a black pen):
// blurred with a radius of `radius` points (close to a Gaussian with that
// standard deviation over two), at `opacity`, premultiplied, with `dpr`
// device pixels per point. The image reaches ceil(radius) points beyond the
// box on every side; draw it at the box's top-left corner minus that.
QImage shapeShadow(QSizeF size, double radius, double opacity, qreal dpr,
                   const std::function<void(QPainter &)> &paintShape);

// The shadow of one line of text, whose box is as wide as the text's advance
// and as high as the font's line.
QImage textShadow(const QString &text, const QFont &font, double radius, double opacity = 1, qreal dpr = 1);

// Blurs the image's alpha (premultiplied black) with three box passes of
// half-width `halfWidth` in each direction.
void blurAlpha(QImage &image, int halfWidth);

} // namespace tandrel
