#include "teleprompter/draw_at_whole_pixels.h"

#include <QPaintEngine>
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

qreal targetPixelRatio(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    const QPaintDevice *device = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
    return device ? device->devicePixelRatio() : 1;
}

QImage mirroredIf(QImage image, bool mirrored)
{
    return mirrored ? std::move(image).mirrored(true, false) : image;
}

} // namespace tandrel
