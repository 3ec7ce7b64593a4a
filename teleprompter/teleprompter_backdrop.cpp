#include "teleprompter/teleprompter_backdrop.h"

#include "capture/preview_widget.h"
#include "teleprompter/pixel_rows.h"
#include "teleprompter/teleprompter_self_view.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <libyuv.h>

#include <algorithm>

namespace tandrel {

namespace {

QColor black(double opacity)
{
    return QColor::fromRgbF(0, 0, 0, float(opacity));
}

} // namespace

const QImage &TeleprompterBackdrop::image(const TeleprompterSelfView &video, QSize size, qreal dpr,
                                          bool mirrored, TeleprompterTextPlacement placement)
{
    const Key key{video.frame().cacheKey(), size,     dpr,      video.flipHorizontal(),
                  video.flipVertical(),     mirrored, placement};
    if (video.frame().isNull() || size.isEmpty()) {
        clear();
        return m_image;
    }
    if (key == m_key && !m_image.isNull())
        return m_image;
    compose(video.frame(), key);
    m_key = key;
    return m_image;
}

void TeleprompterBackdrop::clear()
{
    m_image = QImage();
    m_shade = {};
    m_shadePixels = {};
    m_scaled = QImage();
    m_key = {};
    m_shadeSize = {};
}

void TeleprompterBackdrop::compose(const QImage &picture, const Key &key)
{
    const QSize pixels = (QSizeF(key.size) * key.dpr).toSize();
    if (m_image.size() != pixels || m_image.devicePixelRatio() != key.dpr) {
        m_image = QImage(pixels, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(key.dpr);
    }
    // Every pass below reads and writes 32-bit B, G, R, A words, as these
    // formats hold them; a camera rarely sends anything else.
    const bool words = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            || picture.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage frame = words ? picture : picture.convertToFormat(QImage::Format_RGB32);

    // The part of the frame that shows: the frame is centred and scaled to
    // fill the window, so its overhang on either side is cut away.
    const QRectF bounds(QPointF(0, 0), QSizeF(key.size));
    const QRectF target
            = PreviewFramePainter::targetRect(frame.size(), bounds, PreviewFramePainter::Scaling::fill);
    const double scale = target.width() / frame.width();
    const QRectF visible((bounds.topLeft() - target.topLeft()) / scale, bounds.size() / scale);
    const QRect crop
            = QRect(QPoint(qRound(visible.x()), qRound(visible.y())),
                    QSize(std::max(1, qRound(visible.width())), std::max(1, qRound(visible.height()))))
                      .intersected(frame.rect());

    // Both flips are about the window's centre, where the frame is centred.
    // Mirroring the text mirrors the picture with it.
    const bool horizontal = key.flipHorizontal != key.mirrored;
    const bool vertical = key.flipVertical;
    if (crop.size() == pixels) {
        shadeRows(frame, crop, horizontal, vertical, key, m_image);
        return;
    }
    const bool enlarged = qint64(crop.width()) * crop.height() < qint64(pixels.width()) * pixels.height();
    if (enlarged) {
        // A smaller frame is shaded at its own size, where there are fewer
        // pixels to shade, and then stretched.
        if (m_scaled.size() != crop.size())
            m_scaled = QImage(crop.size(), QImage::Format_RGB32);
        shadeRows(frame, crop, horizontal, vertical, key, m_scaled);
        libyuv::ARGBScale(m_scaled.constBits(), int(m_scaled.bytesPerLine()), crop.width(), crop.height(),
                          m_image.bits(), int(m_image.bytesPerLine()), pixels.width(), pixels.height(),
                          libyuv::kFilterBilinear);
        return;
    }
    // A larger frame is reduced first, averaging the pixels it drops.
    if (m_scaled.size() != pixels)
        m_scaled = QImage(pixels, QImage::Format_RGB32);
    const uchar *origin = frame.constBits() + crop.y() * frame.bytesPerLine() + crop.x() * 4;
    libyuv::ARGBScale(origin, int(frame.bytesPerLine()), crop.width(), crop.height(), m_scaled.bits(),
                      int(m_scaled.bytesPerLine()), pixels.width(), pixels.height(), libyuv::kFilterBox);
    shadeRows(m_scaled, m_scaled.rect(), horizontal, vertical, key, m_image);
}

// Lays the shade of the window `key` describes over the `crop` of `from`,
// flipped, into `into` (of the crop's size) in one pass: each row is read in
// its flipped place, backwards when mirrored, and scaled by the shade.
void TeleprompterBackdrop::shadeRows(const QImage &from, QRect crop, bool horizontal, bool vertical,
                                     const Key &key, QImage &into)
{
    const int w = crop.width(), h = crop.height();
    if (m_shadePixels != crop.size() || key.size != m_shadeSize || key.placement != m_shadePlacement) {
        // The shade is black of varying opacity: over the picture it only
        // scales the colour, by what the black leaves of it.
        const QImage shade = TeleprompterBackdrop::shade(crop.size(), key.size, key.placement);
        m_shade.resize(size_t(w) * h);
        for (int y = 0; y < h; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(shade.constScanLine(y));
            for (int x = 0; x < w; ++x)
                m_shade[size_t(y) * w + x] = uint8_t(255 - qAlpha(row[x]));
        }
        m_shadePixels = crop.size();
        m_shadeSize = key.size;
        m_shadePlacement = key.placement;
    }
    for (int y = 0; y < h; ++y) {
        const uchar *source = from.constScanLine(crop.y() + (vertical ? h - 1 - y : y)) + crop.x() * 4;
        shadeRow(source, m_shade.data() + size_t(y) * w, into.scanLine(y), w, horizontal);
    }
}

QImage TeleprompterBackdrop::shade(QSize pixels, QSize size, TeleprompterTextPlacement placement)
{
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter s(&image);
    // Drawn in the window's points over however many pixels it is laid on.
    s.scale(double(pixels.width()) / size.width(), double(pixels.height()) / size.height());
    QLinearGradient veil(bounds.topLeft(), bounds.bottomLeft());
    veil.setStops({{0, black(0.62)}, {0.5, black(0.34)}, {1, black(0.5)}});
    s.fillRect(bounds, veil);
    const bool center = placement == TeleprompterTextPlacement::center;
    const QPointF focus = center ? bounds.center() : QPointF(bounds.width() * 0.5, bounds.height() * 0.28);
    QRadialGradient vignette(focus, 780);
    vignette.setStops({{0, black(0.05)}, {40.0 / 780.0, black(0.05)}, {1, black(0.42)}});
    s.fillRect(bounds, vignette);
    return image;
}

} // namespace tandrel
