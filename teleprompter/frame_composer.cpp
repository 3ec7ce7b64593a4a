#include "teleprompter/frame_composer.h"

#include "teleprompter/pixel_rows.h"
#include "teleprompter/text_layer.h"

#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <libyuv.h>

#include <cmath>
#include <cstring>

namespace tandrel {

namespace {

QColor black(double opacity)
{
    return QColor::fromRgbF(0, 0, 0, float(opacity));
}

// The image `painter` paints on, when its pixels can be written directly: 32
// bits each, B, G, R and A (or unused) in memory, and not shared with a copy.
QImage *writableTarget(const QPainter &painter)
{
    const QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *image = static_cast<QImage *>(device);
    const QImage::Format format = image->format();
    const bool words = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
    return words && image->isDetached() ? image : nullptr;
}

} // namespace

void FrameComposer::clear()
{
    m_black = {};
    m_shade = {};
    m_fadePixels = {};
    m_frame = QImage();
}

void FrameComposer::prepareRows(const Frame &frame)
{
    if (m_black.size() != size_t(frame.pixels.width()))
        m_black.assign(size_t(frame.pixels.width()), 0xff000000u);
    if (frame.fades == m_fades && frame.pixels == m_fadePixels && frame.dpr == m_fadeDpr)
        return;
    m_fades = frame.fades;
    m_fadePixels = frame.pixels;
    m_fadeDpr = frame.dpr;
    // The fades are drawn as gradients once, on a sliver of the window's
    // height, and read back row by row: the same opacities a fill of the
    // whole width would blend.
    QImage sliver(4, frame.pixels.height(), QImage::Format_ARGB32_Premultiplied);
    sliver.fill(Qt::transparent);
    sliver.setDevicePixelRatio(frame.dpr);
    {
        QPainter p(&sliver);
        const double height = frame.pixels.height() / frame.dpr;
        const double k = frame.fades.opacity;
        const double topHeight = frame.fades.topHeight;
        QLinearGradient top(0, 0, 0, topHeight);
        top.setStops({{0, black(k)}, {0.5, black(k * 0.55)}, {1, black(0)}});
        p.fillRect(QRectF(0, 0, 4, topHeight), top);
        const double bottomTop = height - frame.fades.bottomHeight;
        QLinearGradient bottom(0, bottomTop, 0, height);
        bottom.setStops({{0, black(0)}, {0.5, black(k * 0.72)}, {1, black(k)}});
        p.fillRect(QRectF(0, bottomTop, 4, frame.fades.bottomHeight), bottom);
    }
    m_shade.resize(size_t(frame.pixels.height()));
    for (int y = 0; y < frame.pixels.height(); ++y)
        m_shade[size_t(y)]
                = uint8_t(255 - qAlpha(reinterpret_cast<const QRgb *>(sliver.constScanLine(y))[0]));
}

// Composes the window's device pixels `rect` into `pixels`, the image whose
// pixel `origin` is the window's top-left one.
void FrameComposer::composeRect(const Frame &frame, QRect rect, uchar *pixels, qsizetype bytesPerLine,
                                QPoint origin) const
{
    const int left = rect.left(), right = rect.right() + 1;
    const int textLeft = std::max(left, frame.band.left()),
              textRight = std::min(right, frame.band.right() + 1);
    // The fades are black over everything: they only scale the colour.
    auto copy = [](const uchar *from, uchar *to, int count, uint8_t shade) {
        if (count <= 0)
            return;
        if (shade == 255)
            std::memcpy(to, from, size_t(count) * 4);
        else
            libyuv::ARGBShade(from, 0, to, 0, count, 1, 0xff000000u | shade * 0x010101u);
    };
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        uchar *to = pixels + (origin.y() + y) * bytesPerLine + origin.x() * 4;
        const auto *back = frame.backdrop ? frame.backdrop->constScanLine(y)
                                          : reinterpret_cast<const uchar *>(m_black.data());
        // Black stays black in the fades.
        const uint8_t shade = frame.backdrop ? m_shade[size_t(y)] : 255;
        if (textLeft < textRight) {
            copy(back + left * 4, to + left * 4, textLeft - left, shade);
            const uchar *text = frame.text->row(frame.textTop + y) + (textLeft - frame.band.left()) * 4;
            blendRowOver(text, frame.backdrop ? back + textLeft * 4 : nullptr, to + textLeft * 4,
                         textRight - textLeft, m_shade[size_t(y)]);
            copy(back + textRight * 4, to + textRight * 4, right - textRight, shade);
        } else {
            copy(back + left * 4, to + left * 4, right - left, shade);
        }
    }
}

void FrameComposer::paint(QPainter &painter, const Frame &frame)
{
    if (frame.pixels.isEmpty())
        return;
    prepareRows(frame);
    if (frame.backdrop && frame.backdrop->size() != frame.pixels)
        return; // never read past a picture made for another size
    const QRect window(QPoint(0, 0), frame.pixels);
    const QTransform toDevice = painter.deviceTransform();
    const QPoint origin(qRound(toDevice.dx()), qRound(toDevice.dy()));
    // The painter's device pixels must be the window's: a widget painted at
    // a whole pixel's offset, scaled by its pixel ratio alone. Then its clip
    // says which of them this paint changes.
    const bool aligned = toDevice.type() <= QTransform::TxScale && toDevice.m11() == frame.dpr
            && toDevice.m22() == frame.dpr && QPointF(origin) == QPointF(toDevice.dx(), toDevice.dy());
    QRegion clip(window);
    if (const QRegion system = painter.paintEngine()->systemClip(); aligned && !system.isEmpty())
        clip &= system.translated(-origin);

    if (QImage *target = aligned ? writableTarget(painter) : nullptr) {
        clip &= QRegion(target->rect().translated(-origin));
        // Written through constBits(): bits() could detach the image from
        // the painter that paints on it.
        auto *pixels = const_cast<uchar *>(target->constBits());
        for (const QRect &r : clip)
            composeRect(frame, r, pixels, target->bytesPerLine(), origin);
        return;
    }

    if (m_frame.size() != frame.pixels)
        m_frame = QImage(frame.pixels, QImage::Format_RGB32);
    for (const QRect &r : clip)
        composeRect(frame, r, m_frame.bits(), m_frame.bytesPerLine(), QPoint(0, 0));
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect &r : clip)
        painter.drawImage(QRectF(QPointF(r.topLeft()) / frame.dpr, QSizeF(r.size()) / frame.dpr), m_frame,
                          QRectF(r));
    painter.restore();
}

} // namespace tandrel
