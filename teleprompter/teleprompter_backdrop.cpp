#include "teleprompter/teleprompter_backdrop.h"

#include "capture/preview_widget.h"
#include "teleprompter/teleprompter_self_view.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

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
    if (m_shade.isNull() || key.size != m_key.size || key.dpr != m_key.dpr
        || key.placement != m_key.placement)
        m_shade = shade(size, dpr, placement);
    composeVideo(video, key);
    QPainter p(&m_image);
    p.drawImage(QPointF(0, 0), m_shade);
    p.end();
    m_key = key;
    return m_image;
}

void TeleprompterBackdrop::clear()
{
    m_image = QImage();
    m_shade = QImage();
    m_key = {};
}

void TeleprompterBackdrop::composeVideo(const TeleprompterSelfView &video, const Key &key)
{
    const QSize pixels = (QSizeF(key.size) * key.dpr).toSize();
    if (m_image.size() != pixels || m_image.devicePixelRatio() != key.dpr) {
        m_image = QImage(pixels, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(key.dpr);
    }
    const QImage &frame = video.frame();
    const QRectF bounds(QPointF(0, 0), QSizeF(key.size));
    const QRectF target
            = PreviewFramePainter::targetRect(frame.size(), bounds, PreviewFramePainter::Scaling::fill);
    // Both flips are about the window's centre, where the frame is centred.
    // Mirroring the text mirrors the picture with it.
    const bool horizontal = video.flipHorizontal() != key.mirrored;
    const bool vertical = video.flipVertical();
    const bool scaled = target.size() * key.dpr != QSizeF(frame.size());
    QPainter p(&m_image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (scaled) {
        // Resampling costs the same flipped or not, so the flips come free.
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(bounds.center());
        p.scale(horizontal ? -1 : 1, vertical ? -1 : 1);
        p.translate(-bounds.center());
    }
    p.drawImage(target, frame);
    p.end();
    // A frame of the window's own size is only copied, and then turned in
    // place: a fraction of drawing it through a flipping transform.
    if (!scaled && (horizontal || vertical))
        m_image.mirror(horizontal, vertical);
}

QImage TeleprompterBackdrop::shade(QSize size, qreal dpr, TeleprompterTextPlacement placement)
{
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter s(&image);
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
