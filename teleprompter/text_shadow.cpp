#include "teleprompter/text_shadow.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <vector>

namespace tandrel {

namespace {

// One box pass along a line of `count` alpha values `stride` bytes apart.
void boxPass(uchar *line, int count, int stride, int halfWidth, std::vector<int> &buffer)
{
    buffer.assign(count, 0);
    for (int i = 0; i < count; ++i)
        buffer[i] = line[i * stride];
    const int width = 2 * halfWidth + 1;
    int sum = 0;
    for (int i = -halfWidth; i <= halfWidth; ++i)
        sum += (i >= 0 && i < count) ? buffer[i] : 0;
    for (int i = 0; i < count; ++i) {
        line[i * stride] = uchar((sum + width / 2) / width);
        const int leaving = i - halfWidth, entering = i + halfWidth + 1;
        sum -= leaving >= 0 ? buffer[leaving] : 0;
        sum += entering < count ? buffer[entering] : 0;
    }
}

} // namespace

void blurAlpha(QImage &image, int halfWidth)
{
    if (halfWidth <= 0 || image.isNull())
        return;
    image = image.convertToFormat(QImage::Format_Alpha8);
    std::vector<int> buffer;
    const int w = image.width(), h = image.height();
    const qsizetype bpl = image.bytesPerLine();
    uchar *bits = image.bits();
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            boxPass(bits + y * bpl, w, 1, halfWidth, buffer);
        for (int x = 0; x < w; ++x)
            boxPass(bits + x, h, int(bpl), halfWidth, buffer);
    }
}

QImage shapeShadow(QSizeF size, double radius, double opacity, qreal dpr,
                   const std::function<void(QPainter &)> &paintShape)
{
    const double pad = std::ceil(radius);
    const QSizeF extent = (size + QSizeF(2 * pad, 2 * pad)) * dpr;
    const QSize pixels(int(std::ceil(extent.width())), int(std::ceil(extent.height())));
    QImage shape(pixels, QImage::Format_Alpha8);
    shape.fill(0);
    {
        QPainter p(&shape);
        p.scale(dpr, dpr);
        p.translate(pad, pad);
        p.setPen(Qt::black);
        paintShape(p);
    }
    blurAlpha(shape, int(std::lround(radius * dpr / 2)));
    // Premultiplied black with the opacity baked in: drawing a ready image of
    // the target's own kind is the fastest blend there is.
    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *from = shape.constScanLine(y);
        auto *to = reinterpret_cast<QRgb *>(shadow.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            to[x] = QRgb(std::lround(from[x] * opacity)) << 24;
    }
    shadow.setDevicePixelRatio(dpr);
    return shadow;
}

QImage textShadow(const QString &text, const QFont &font, double radius, double opacity, qreal dpr)
{
    const QFontMetricsF fm(font);
    return shapeShadow(QSizeF(fm.horizontalAdvance(text), fm.height()), radius, opacity, dpr,
                       [&](QPainter &p) {
                           p.setFont(font);
                           p.drawText(QPointF(0, fm.ascent()), text);
                       });
}

} // namespace tandrel
