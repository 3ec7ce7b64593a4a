#include "teleprompter/text_column_shadow.h"

#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/text_shadow.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace tandrel {

void TextColumnShadow::clear()
{
    m_words.clear();
    m_title = QImage();
    m_note = QImage();
}

QImage TextColumnShadow::oriented(QImage shadow) const
{
    return m_mirrored ? std::move(shadow).mirrored(true, false) : shadow;
}

const QImage &TextColumnShadow::wordShadow(const QString &text, const QFont &font)
{
    auto it = m_words.find(text);
    if (it == m_words.end()) {
        // Bounded: a long script has many distinct words, few on screen at once.
        if (m_words.size() >= 512)
            m_words.clear();
        it = m_words.insert(text, oriented(textShadow(text, font, radius, opacity, m_dpr)));
    }
    return it.value();
}

void TextColumnShadow::draw(QPainter &painter, const QTransform &toDevice, const QImage &shadow,
                            QPointF boxTopLeft) const
{
    // The image is the box widened by the blur on every side, 2 points down;
    // where that lands, mirrored or not, rounded to a whole device pixel so
    // that the image is copied and blended, never resampled.
    const double pad = std::ceil(radius);
    const QRectF area(boxTopLeft + QPointF(-pad, drop - pad), shadow.deviceIndependentSize());
    const QRectF placed = toDevice.mapRect(area);
    painter.drawImage(
            QPointF(std::round(placed.left() * m_dpr) / m_dpr, std::round(placed.top() * m_dpr) / m_dpr),
            shadow);
}

void TextColumnShadow::paint(QPainter &painter, const TeleprompterLayout &layout, qsizetype first,
                             qsizetype last)
{
    const QTransform toDevice = painter.worldTransform();
    const qreal dpr = painter.device()->devicePixelRatio();
    const bool mirrored = toDevice.m11() < 0;
    if (dpr != m_dpr || mirrored != m_mirrored) {
        clear();
        m_dpr = dpr;
        m_mirrored = mirrored;
    }
    const TeleprompterLayoutInput &input = layout.input();
    if (!input.title.isEmpty() && m_title.isNull()) {
        const QRectF box = layout.titleRect();
        const int flags = int(layout.alignment()) | Qt::TextWordWrap;
        m_title = oriented(shapeShadow(box.size(), radius, opacity, m_dpr, [&](QPainter &p) {
            p.setFont(layout.titleFont());
            p.drawText(QRectF(QPointF(0, 0), box.size()), flags, input.title);
        }));
    }
    const QTextLayout *note = layout.fallbackLayout();
    if (note && m_note.isNull()) {
        m_note = oriented(shapeShadow(layout.fallbackRect().size(), radius, opacity, m_dpr,
                                      [&](QPainter &p) { note->draw(&p, QPointF(0, 0)); }));
    }

    painter.save();
    painter.resetTransform();
    if (!input.title.isEmpty())
        draw(painter, toDevice, m_title, layout.titleRect().topLeft());
    if (note)
        draw(painter, toDevice, m_note, layout.fallbackRect().topLeft());
    for (qsizetype i = first; i < last; ++i)
        draw(painter, toDevice, wordShadow(input.tokens.at(i).raw, layout.wordFont()),
             layout.wordFrames().at(i).topLeft());
    painter.restore();
}

} // namespace tandrel
