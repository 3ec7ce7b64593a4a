#include "teleprompter/text_column_shadow.h"

#include "teleprompter/draw_at_whole_pixels.h"
#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/text_shadow.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace tandrel {

void TextColumnShadow::clear()
{
    m_words.clear();
    m_oversized = QImage();
    m_title = QImage();
    m_note = QImage();
}

const QImage &TextColumnShadow::wordShadow(const QString &text, const QFont &font)
{
    if (const QImage *shadow = m_words.object(text))
        return *shadow;
    if (text == m_oversizedWord && !m_oversized.isNull())
        return m_oversized;
    QImage shadow = withoutClearRows(mirroredIf(textShadow(text, font, radius, opacity, m_dpr), m_mirrored));
    if (cacheCost(shadow) > m_words.maxCost()) { // a word longer than a few screens
        m_oversizedWord = text;
        m_oversized = std::move(shadow);
        return m_oversized;
    }
    auto *ready = new QImage(std::move(shadow));
    m_words.insert(text, ready, cacheCost(*ready));
    return *ready;
}

void TextColumnShadow::draw(QPainter &painter, const QTransform &toDevice, const QImage &shadow,
                            QPointF boxTopLeft)
{
    // The image is the box widened by the blur on every side, 2 points down.
    const double pad = std::ceil(radius);
    drawAtWholePixels(painter, toDevice, shadow, boxTopLeft + QPointF(-pad, drop - pad));
}

void TextColumnShadow::paint(QPainter &painter, const TeleprompterLayout &layout, qsizetype first,
                             qsizetype last)
{
    const QTransform toDevice = painter.worldTransform();
    const qreal dpr = targetPixelRatio(painter);
    const bool mirrored = toDevice.m11() < 0;
    if (dpr != m_dpr || mirrored != m_mirrored) {
        clear();
        m_dpr = dpr;
        m_mirrored = mirrored;
        m_words.setMaxCost(cacheBudget(dpr));
    }
    const TeleprompterLayoutInput &input = layout.input();
    if (!input.title.isEmpty() && m_title.isNull()) {
        const QRectF box = layout.titleRect();
        const int flags = int(layout.alignment()) | Qt::TextWordWrap;
        const QImage shadow = shapeShadow(box.size(), radius, opacity, m_dpr, [&](QPainter &p) {
            p.setFont(layout.titleFont());
            p.drawText(QRectF(QPointF(0, 0), box.size()), flags, input.title);
        });
        m_title = withoutClearRows(mirroredIf(shadow, m_mirrored));
    }
    const QTextLayout *note = layout.fallbackLayout();
    if (note && m_note.isNull()) {
        const QImage shadow = shapeShadow(layout.fallbackRect().size(), radius, opacity, m_dpr,
                                          [&](QPainter &p) { note->draw(&p, QPointF(0, 0)); });
        m_note = withoutClearRows(mirroredIf(shadow, m_mirrored));
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
