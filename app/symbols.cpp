#include "app/symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tandrel {

namespace {

// Draws on a 24 x 24 unit canvas, scaled to the pixmap.
void drawSymbol(QPainter &p, Symbol symbol, const QColor &color)
{
    QPen pen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::Plus:
        p.drawLine(QPointF(12, 4), QPointF(12, 20));
        p.drawLine(QPointF(4, 12), QPointF(20, 12));
        break;
    case Symbol::ImportArrow:
        p.drawLine(QPointF(12, 3), QPointF(12, 15));
        p.drawPolyline(QPolygonF({QPointF(7, 10), QPointF(12, 15), QPointF(17, 10)}));
        p.drawPolyline(QPolygonF({QPointF(4, 14), QPointF(4, 20), QPointF(20, 20), QPointF(20, 14)}));
        break;
    case Symbol::ReelBadge: {
        p.drawRoundedRect(QRectF(2.5, 5, 16, 13), 2, 2);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(18.5, 17), 5, 5);
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18.5, 14.5), QPointF(18.5, 19.5));
        p.drawLine(QPointF(16, 17), QPointF(21, 17));
        break;
    }
    case Symbol::Film:
        p.drawRoundedRect(QRectF(4, 3, 16, 18), 2, 2);
        p.drawLine(QPointF(8, 3), QPointF(8, 21));
        p.drawLine(QPointF(16, 3), QPointF(16, 21));
        p.drawLine(QPointF(4, 12), QPointF(20, 12));
        break;
    case Symbol::Waveform: {
        const qreal heights[] = {4, 10, 16, 8, 12, 6, 3};
        for (int i = 0; i < 7; ++i) {
            const qreal x = 3 + i * 3;
            p.drawLine(QPointF(x, 12 - heights[i] / 2), QPointF(x, 12 + heights[i] / 2));
        }
        break;
    }
    case Symbol::Trash:
        p.drawLine(QPointF(4, 6), QPointF(20, 6));
        p.drawPolyline(QPolygonF({QPointF(9, 6), QPointF(9, 3), QPointF(15, 3), QPointF(15, 6)}));
        p.drawPolyline(QPolygonF({QPointF(6, 6), QPointF(7, 21), QPointF(17, 21), QPointF(18, 6)}));
        p.drawLine(QPointF(10, 10), QPointF(10, 17));
        p.drawLine(QPointF(14, 10), QPointF(14, 17));
        break;
    case Symbol::Record:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.setBrush(QColor(220, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(12, 12), 5, 5);
        break;
    case Symbol::Stop:
        p.setBrush(color);
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(8.5, 8.5, 7, 7), 1, 1);
        break;
    case Symbol::FlipHorizontal:
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
        p.drawPolyline(QPolygonF({QPointF(7, 8), QPointF(3, 12), QPointF(7, 16)}));
        p.drawPolyline(QPolygonF({QPointF(17, 8), QPointF(21, 12), QPointF(17, 16)}));
        break;
    case Symbol::FlipVertical:
        p.drawLine(QPointF(12, 3), QPointF(12, 21));
        p.drawPolyline(QPolygonF({QPointF(8, 7), QPointF(12, 3), QPointF(16, 7)}));
        p.drawPolyline(QPolygonF({QPointF(8, 17), QPointF(12, 21), QPointF(16, 17)}));
        break;
    case Symbol::Tortoise: {
        QPainterPath shell;
        shell.moveTo(4, 16);
        shell.cubicTo(4, 7, 17, 7, 17, 16);
        shell.closeSubpath();
        p.drawPath(shell);
        p.drawEllipse(QPointF(19.5, 13.5), 2.2, 2.2);
        p.drawLine(QPointF(6, 16), QPointF(6, 19));
        p.drawLine(QPointF(15, 16), QPointF(15, 19));
        break;
    }
    case Symbol::Hare: {
        p.drawEllipse(QRectF(4, 11, 12, 8));
        p.drawEllipse(QPointF(17.5, 11), 3, 2.6);
        p.drawLine(QPointF(17, 8.5), QPointF(15, 2.5));
        p.drawLine(QPointF(19, 8.5), QPointF(20, 2.5));
        p.drawLine(QPointF(7, 19), QPointF(5, 21));
        p.drawLine(QPointF(14, 19), QPointF(16, 21));
        break;
    }
    }
}

} // namespace

QPixmap symbolPixmap(Symbol symbol, const QColor &color, int size, qreal devicePixelRatio)
{
    QPixmap pixmap(qRound(size * devicePixelRatio), qRound(size * devicePixelRatio));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    drawSymbol(p, symbol, color);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 256.0, size / 256.0);
        QLinearGradient background(0, 12, 0, 244);
        background.setColorAt(0, QColor(0x2b, 0x34, 0x46));
        background.setColorAt(1, QColor(0x15, 0x1a, 0x24));
        p.setPen(Qt::NoPen);
        p.setBrush(background);
        p.drawRoundedRect(QRectF(12, 12, 232, 232), 52, 52);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 10));
        p.drawRoundedRect(QRectF(82, 36, 92, 164), 12, 12);
        p.setPen(QPen(QColor(255, 255, 255, 217), 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(102, 86, 154, 86);
        p.drawLine(102, 138, 154, 138);
        p.setPen(QPen(QColor(0xff, 0xb0, 0x2e), 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(102, 112, 146, 112);
        p.setPen(QPen(QColor(0x15, 0x1a, 0x24), 8));
        p.setBrush(QColor(0xe5, 0x38, 0x3b));
        p.drawEllipse(QPointF(178, 190), 30, 30);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon symbolIcon(Symbol symbol, const QColor &color, int size)
{
    QIcon icon;
    icon.addPixmap(symbolPixmap(symbol, color, size));
    icon.addPixmap(symbolPixmap(symbol, color, size * 2, 2.0));
    return icon;
}

} // namespace tandrel
