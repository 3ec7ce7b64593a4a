#include "teleprompter/recording_mark.h"

#include "platform/duration_text.h"
#include "teleprompter/teleprompter_font.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace tandrel {

namespace {

constexpr double dotDiameter = 10;
constexpr double padX = 12;
constexpr double padY = 6;
constexpr double gap = 7;

QFont markFont()
{
    return teleprompterFont(14, QFont::DemiBold);
}

} // namespace

QString RecordingMark::timeText(double seconds)
{
    return minutesSecondsText(std::isfinite(seconds) && seconds > 0 ? static_cast<qint64>(seconds) : 0);
}

QSizeF RecordingMark::size(double seconds)
{
    const QFontMetricsF fm(markFont());
    // Measured with zeros, so that the capsule keeps its width within a minute.
    QString widest = timeText(seconds);
    for (QChar &c : widest)
        if (c.isDigit())
            c = QLatin1Char('0');
    return {padX + dotDiameter + gap + fm.horizontalAdvance(widest) + padX, fm.height() + 2 * padY};
}

QColor RecordingMark::red()
{
    return QColor(255, 59, 48);
}

void RecordingMark::paint(QPainter &p, const QRectF &capsule, double seconds)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = capsule.height() / 2;
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.18f), 1));
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.55f));
    p.drawRoundedRect(capsule, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(red());
    const QRectF dot(capsule.left() + padX, capsule.center().y() - dotDiameter / 2, dotDiameter, dotDiameter);
    p.drawEllipse(dot);
    p.setFont(markFont());
    p.setPen(QColor::fromRgbF(1, 1, 1, 0.92f));
    const QRectF text(dot.right() + gap, capsule.top(), capsule.right() - padX - dot.right() - gap,
                      capsule.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, timeText(seconds));
    p.restore();
}

} // namespace tandrel
