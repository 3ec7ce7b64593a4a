#pragma once

#include <QFont>
#include <QImage>
#include <QString>

namespace tandrel {

// A soft black shadow of a line of text: the text's shape in black, blurred
// with a radius of `radius` points (close to a Gaussian with that standard
// deviation over two). The image reaches `radius` beyond the text's box on
// every side; draw it at the text's top-left corner minus `radius`.
QImage textShadow(const QString &text, const QFont &font, double radius);

// Blurs the image's alpha (premultiplied black) with three box passes of
// half-width `halfWidth` in each direction.
void blurAlpha(QImage &image, int halfWidth);

} // namespace tandrel
