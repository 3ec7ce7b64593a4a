#include "teleprompter/draw_at_whole_pixels.h"

#include <QPainter>
#include <cmath>

namespace tandrel {

void drawAtWholePixels(QPainter &painter, const QTransform &toDevice, const QImage &image, QPointF topLeft)
{
    const qreal dpr = image.devicePixelRatio();
    const QRectF placed = toDevice.mapRect(QRectF(topLeft, image.deviceIndependentSize()));
    painter.drawImage(QPointF(std::round(placed.left() * dpr) / dpr, std::round(placed.top() * dpr) / dpr),
                      image);
}

QImage mirroredIf(QImage image, bool mirrored)
{
    return mirrored ? std::move(image).mirrored(true, false) : image;
}

} // namespace tandrel
