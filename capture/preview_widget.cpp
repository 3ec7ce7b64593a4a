#include "capture/preview_widget.h"

#include <QPainter>
#include <algorithm>

namespace tandrel {

QRectF PreviewFramePainter::targetRect(QSizeF frameSize, const QRectF &bounds, Scaling scaling)
{
    if (frameSize.isEmpty() || bounds.isEmpty())
        return {};
    const double sx = bounds.width() / frameSize.width();
    const double sy = bounds.height() / frameSize.height();
    const double scale = scaling == Scaling::fit ? std::min(sx, sy) : std::max(sx, sy);
    const QSizeF size = frameSize * scale;
    return QRectF(bounds.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void PreviewFramePainter::paint(QPainter &painter, const QRectF &bounds) const
{
    const QRectF target = targetRect(m_frame.size(), bounds, m_scaling);
    if (target.isEmpty())
        return;
    painter.save();
    painter.setClipRect(bounds, Qt::IntersectClip);
    if (m_flipHorizontal || m_flipVertical) {
        const QPointF c = bounds.center();
        painter.translate(c);
        painter.scale(m_flipHorizontal ? -1 : 1, m_flipVertical ? -1 : 1);
        painter.translate(-c);
    }
    if (target.size() != QSizeF(m_frame.size()))
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_frame);
    painter.restore();
}

PreviewWidget::PreviewWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::setScaling(PreviewFramePainter::Scaling scaling)
{
    m_painter.setScaling(scaling);
    update();
}

void PreviewWidget::setFrame(const QImage &frame)
{
    m_painter.setFrame(frame);
    update();
}

void PreviewWidget::setFlips(bool horizontal, bool vertical)
{
    if (horizontal == flipHorizontal() && vertical == flipVertical())
        return;
    m_painter.setFlips(horizontal, vertical);
    update();
}

void PreviewWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    m_painter.paint(p, rect());
}

} // namespace tandrel
