#include "capture/crop_overlay.h"

#include "capture/hole_shape.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tandrel {

CropFrameGeometry CropFrameGeometry::make(double width, double height, bool isLandscape, double offset)
{
    CropFrameGeometry g;
    g.frameWidth = isLandscape ? height * 9 * 0.0625 : width;
    g.slack = std::max(0.0, width - g.frameWidth);
    g.frameLeft = g.slack * offset;
    return g;
}

std::optional<double> CropFrameGeometry::draggedOffset(double origin, double translation, double slack)
{
    if (!(slack > 0))
        return std::nullopt;
    return std::clamp(origin + translation / slack, 0.0, 1.0);
}

CropOverlay::CropOverlay(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::SizeHorCursor);
}

CropFrameGeometry CropOverlay::geometryNow() const
{
    return CropFrameGeometry::make(width(), height(), m_isLandscape, m_offset);
}

void CropOverlay::setOffset(double offset)
{
    // NaN would otherwise slip through std::clamp and reach the recorder.
    const double limited = std::isnan(offset) ? 0.0 : std::clamp(offset, 0.0, 1.0);
    if (limited == m_offset)
        return;
    m_offset = limited;
    update();
    emit offsetChanged(m_offset);
}

void CropOverlay::setIsLandscape(bool landscape)
{
    if (landscape == m_isLandscape)
        return;
    m_isLandscape = landscape;
    update();
    emit isLandscapeChanged();
}

void CropOverlay::paintEvent(QPaintEvent *)
{
    const CropFrameGeometry g = geometryNow();
    const QRectF bounds = rect();
    const QRectF frame(g.frameLeft, 0, g.frameWidth, height());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(HoleShape{frame}.path(bounds), QColor::fromRgbF(0, 0, 0, 0.45f));
    QPen pen(Qt::white, 2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // The stroke is centred on the frame's edge, as a shape's border is.
    p.drawRoundedRect(frame, 4, 4);
}

void CropOverlay::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressPoint = event->position();
    m_dragOrigin.reset();
    event->accept();
}

void CropOverlay::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressPoint)
        return QWidget::mouseMoveEvent(event);
    const QPointF translation = event->position() - *m_pressPoint;
    // A drag begins once the pointer has moved at least one point.
    if (!m_dragOrigin && std::hypot(translation.x(), translation.y()) < 1)
        return;
    const double slack = geometryNow().slack;
    if (!(slack > 0))
        return;
    if (!m_dragOrigin)
        m_dragOrigin = m_offset;
    if (const auto next = CropFrameGeometry::draggedOffset(*m_dragOrigin, translation.x(), slack))
        setOffset(*next);
    event->accept();
}

void CropOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_pressPoint.reset();
    m_dragOrigin.reset();
    event->accept();
}

} // namespace tandrel
