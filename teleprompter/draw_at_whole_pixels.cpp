#include "teleprompter/draw_at_whole_pixels.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tandrel {

void drawAtWholePixels(QPainter &painter, const QTransform &toDevice, const QImage &image, QPointF topLeft)
{
    const qreal dpr = image.devicePixelRatio();
    const QPointF shift = QPointF(image.offset()) / dpr;
    const QRectF placed = toDevice.mapRect(QRectF(topLeft + shift, image.deviceIndependentSize()));
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

QImage withoutClearRows(QImage image)
{
    auto clear = [&](int y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        return std::all_of(line, line + image.width(), [](QRgb pixel) { return qAlpha(pixel) == 0; });
    };
    int top = 0, bottom = image.height() - 1;
    while (top < bottom && clear(top))
        ++top;
    while (bottom > top && clear(bottom))
        --bottom;
    if (top == 0 && bottom == image.height() - 1)
        return image;
    const QPoint offset = image.offset() + QPoint(0, top);
    QImage rows = image.copy(0, top, image.width(), bottom - top + 1);
    rows.setOffset(offset);
    return rows;
}

} // namespace tandrel
