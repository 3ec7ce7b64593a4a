#pragma once

#include <QColor>
#include <QIcon>

namespace tandrel {

// Small line symbols drawn by the application itself, so that the windows look
// the same whatever icon theme the desktop has (or none, as under Xvfb).
enum class Symbol {
    Plus,
    ImportArrow,
    ReelBadge,
    Film,
    Waveform,
    Trash,
    Record,
    Stop,
    FlipHorizontal,
    FlipVertical,
    Tortoise,
    Hare,
};

QIcon symbolIcon(Symbol symbol, const QColor &color, int size = 16);
// The application's icon, drawn like org.tandrel.tandrel.svg (Qt here has no SVG reader).
QIcon applicationIcon();

QPixmap symbolPixmap(Symbol symbol, const QColor &color, int size, qreal devicePixelRatio = 2.0);

} // namespace tandrel
