#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace tandrel {

// The teleprompter's sign that a take runs: a red dot and the take's running
// time on a dark capsule, drawn where the text column does not reach.
class RecordingMark
{
public:
    // "m:ss" of the truncated whole seconds (0:07, 12:34, 60:00).
    static QString timeText(double seconds);
    // The capsule's size for `seconds`; it grows only with the minutes' digits.
    static QSizeF size(double seconds);
    // Paints the mark filling `capsule`.
    static void paint(QPainter &p, const QRectF &capsule, double seconds);
    // The red of the dot.
    static QColor red();
};

} // namespace tandrel
