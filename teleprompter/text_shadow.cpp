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

QImage textShadow(const QString &text, const QFont &font, double radius)
{
    const QFontMetricsF fm(font);
    const int pad = int(std::ceil(radius));
    const QSize size(int(std::ceil(fm.horizontalAdvance(text))) + 2 * pad,
                     int(std::ceil(fm.height())) + 2 * pad);
    QImage image(size, QImage::Format_Alpha8);
    image.fill(0);
    {
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(pad, pad + fm.ascent()), text);
    }
    blurAlpha(image, int(std::lround(radius / 2)));
    return image;
}

} // namespace tandrel
