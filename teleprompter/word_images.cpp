#include "teleprompter/word_images.h"

#include "teleprompter/draw_at_whole_pixels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace tandrel {

namespace {

// Room around the text's box for glyphs that reach past their advance.
constexpr double margin = 4;

} // namespace

void WordImages::clear()
{
    m_images.clear();
    m_oversized = QImage();
    m_block = QImage();
}

void WordImages::begin(QPainter &painter, const QTransform &toDevice, const QFont &font)
{
    const qreal dpr = targetPixelRatio(painter);
    const bool mirrored = toDevice.m11() < 0;
    if (dpr != m_dpr || mirrored != m_mirrored || font != m_font || m_images.maxCost() != cacheBudget(dpr)) {
        clear();
        m_dpr = dpr;
        m_mirrored = mirrored;
        m_font = font;
        m_images.setMaxCost(cacheBudget(dpr));
    }
    m_toDevice = toDevice;
    painter.resetTransform();
}

const QImage &WordImages::image(const QString &text, QColor color)
{
    const Key key{text, color.rgba()};
    if (const QImage *ready = m_images.object(key))
        return *ready;
    if (key == m_oversizedKey && !m_oversized.isNull())
        return m_oversized;
    const QFontMetricsF fm(m_font);
    const QSizeF extent
            = (QSizeF(fm.horizontalAdvance(text), fm.height()) + QSizeF(2 * margin, 2 * margin)) * m_dpr;
    QImage word(int(std::ceil(extent.width())), int(std::ceil(extent.height())),
                QImage::Format_ARGB32_Premultiplied);
    word.fill(Qt::transparent);
    {
        QPainter p(&word);
        p.scale(m_dpr, m_dpr);
        p.setFont(m_font);
        p.setPen(color);
        p.drawText(QPointF(margin, margin + fm.ascent()), text);
    }
    word.setDevicePixelRatio(m_dpr);
    QImage oriented = withoutClearRows(mirroredIf(std::move(word), m_mirrored));
    if (cacheCost(oriented) > m_images.maxCost()) { // a word longer than a few screens
        m_oversizedKey = key;
        m_oversized = std::move(oriented);
        return m_oversized;
    }
    auto *ready = new QImage(std::move(oriented));
    m_images.insert(key, ready, cacheCost(*ready));
    return *ready;
}

void WordImages::draw(QPainter &painter, const QString &text, QColor color, QPointF boxTopLeft)
{
    drawAtWholePixels(painter, m_toDevice, image(text, color), boxTopLeft - QPointF(margin, margin));
}

void WordImages::drawBlock(QPainter &painter, const QString &text, const QFont &font, QColor color,
                           const QRectF &box, int flags)
{
    const BlockKey key{text, font, color.rgba(), box.size(), flags};
    if (m_block.isNull() || !(key == m_blockKey)) {
        const QSizeF extent = (box.size() + QSizeF(2 * margin, 2 * margin)) * m_dpr;
        QImage block(int(std::ceil(extent.width())), int(std::ceil(extent.height())),
                     QImage::Format_ARGB32_Premultiplied);
        block.fill(Qt::transparent);
        {
            QPainter p(&block);
            p.scale(m_dpr, m_dpr);
            p.setFont(font);
            p.setPen(color);
            p.drawText(QRectF(QPointF(margin, margin), box.size()), flags, text);
        }
        block.setDevicePixelRatio(m_dpr);
        m_block = withoutClearRows(mirroredIf(std::move(block), m_mirrored));
        m_blockKey = key;
    }
    drawAtWholePixels(painter, m_toDevice, m_block, box.topLeft() - QPointF(margin, margin));
}

} // namespace tandrel
