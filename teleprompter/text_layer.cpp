#include "teleprompter/text_layer.h"

#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/teleprompter_scroller.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace tandrel {

namespace {

// How far beyond its word's frame a word's pixels reach: its highlight, and
// glyphs past their advance.
constexpr double wordReach = 8;

} // namespace

void TextLayer::clear()
{
    m_words.clear();
    m_shadow.clear();
    m_ring = QImage();
    m_top = m_bottom = 0;
}

int TextLayer::ringRow(int row) const
{
    const int height = m_ring.height();
    return ((row % height) + height) % height;
}

void TextLayer::prepare(const TeleprompterLayout &layout, const TextLayerSetup &setup, int top)
{
    TextLayerSetup sameWord = setup;
    sameWord.current = m_setup.current;
    const QSize pixels(setup.band.width(), setup.windowHeight);
    if (pixels.isEmpty())
        return;
    if (!(sameWord == m_setup) || m_ring.size() != pixels) {
        if (m_ring.size() != pixels)
            m_ring = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_ring.setDevicePixelRatio(setup.dpr);
        m_top = m_bottom = 0;
    } else if (setup.current != m_setup.current && m_top < m_bottom) {
        const QList<QRect> parts = restyled(layout, m_setup.current, setup.current);
        m_setup = setup;
        const QRect held(0, m_top, m_ring.width(), m_bottom - m_top);
        for (const QRect &part : parts) {
            if (const QRect r = part & held; !r.isEmpty())
                draw(layout, r.top(), r.bottom() + 1, r.left(), r.right() + 1);
        }
    }
    m_setup = setup;

    const int bottom = top + setup.windowHeight;
    if (m_top >= m_bottom || bottom <= m_top || top >= m_bottom) {
        draw(layout, top, bottom);
    } else {
        // The ring holds one window's height: the rows scrolled in take the
        // places of those scrolled out.
        if (top < m_top)
            draw(layout, top, m_top);
        if (bottom > m_bottom)
            draw(layout, m_bottom, bottom);
    }
    m_top = top;
    m_bottom = bottom;
}

QList<QRect> TextLayer::restyled(const TeleprompterLayout &layout, qint64 before, qint64 after) const
{
    const qint64 count = layout.wordFrames().size();
    if (layout.fallbackLayout() || count == 0 || before == after)
        return {};
    const QRect everything(0, m_top, m_ring.width(), m_bottom - m_top);
    if (before >= count || after >= count) // past the end every word changes its colour
        return {everything};
    const qint64 first = std::clamp(std::min(before, after), qint64(0), count - 1);
    const qint64 last = std::clamp(std::max(before, after), qint64(0), count - 1);
    const TextLayerSetup &s = m_setup;
    if (last - first >= 8) {
        // Frames run down the column in reading order, so the first and the
        // last word bound the rows of the ones between.
        const double top = layout.wordFrames().at(first).top() - wordReach;
        const double bottom = layout.wordFrames().at(last).bottom() + wordReach;
        return {QRect(0, int(std::floor(top * s.dpr)), m_ring.width(),
                      int(std::ceil(bottom * s.dpr)) - int(std::floor(top * s.dpr)))};
    }
    // From the column's coordinates to the band's pixels and the content's
    // rows, as the words are drawn.
    QTransform toBand = QTransform::fromTranslate(layout.columnLeft(), 0);
    if (s.mirrored)
        toBand *= QTransform(-1, 0, 0, 1, s.windowWidth, 0);
    toBand *= QTransform::fromScale(s.dpr, s.dpr) * QTransform::fromTranslate(-s.band.left(), 0);
    QList<QRect> parts;
    for (qint64 i = first; i <= last; ++i) {
        const QRectF frame = layout.wordFrames().at(i).adjusted(-wordReach, -wordReach, wordReach, wordReach);
        parts.append(toBand.mapRect(frame).toAlignedRect());
    }
    return parts;
}

void TextLayer::draw(const TeleprompterLayout &layout, int from, int to, int left, int right)
{
    left = std::max(left, 0);
    right = right < 0 ? m_ring.width() : std::min(right, m_ring.width());
    while (from < to && left < right) {
        const int ringTop = ringRow(from);
        const int count = std::min(to - from, m_ring.height() - ringTop);
        drawPiece(layout, ringTop, from, count, left, right);
        from += count;
    }
}

void TextLayer::drawPiece(const TeleprompterLayout &layout, int ringTop, int contentTop, int count, int left,
                          int right)
{
    for (int y = ringTop; y < ringTop + count; ++y)
        std::memset(m_ring.scanLine(y) + left * 4, 0, size_t(right - left) * 4);
    const TextLayerSetup &s = m_setup;
    const double dpr = s.dpr;
    const double top = contentTop / dpr, bottom = (contentTop + count) / dpr;

    QPainter p(&m_ring);
    p.setClipRect(QRectF(left / dpr, ringTop / dpr, (right - left) / dpr, count / dpr));
    // From the column's coordinates to the ring's points: into the window's
    // content, mirrored about the window's middle as drawn, then to the band
    // and to the ring's rows, by whole device pixels.
    QTransform toRing = QTransform::fromTranslate(layout.columnLeft(), 0);
    if (s.mirrored)
        toRing *= QTransform(-1, 0, 0, 1, s.windowWidth, 0);
    toRing *= QTransform::fromTranslate(-s.band.left() / dpr, (ringTop - contentTop) / dpr);
    p.setWorldTransform(toRing);

    // The column's shadow lies under all of its text where video is behind
    // it. On black it would add nothing, as black over black, but leave the
    // layer clear nowhere, and a clear pixel is one a paint need not blend.
    if (s.videoBehind) {
        const double shadowReach = std::ceil(TextColumnShadow::radius) + TextColumnShadow::drop;
        const auto [shadowFirst, shadowLast] = layout.wordsBetween(top - shadowReach, bottom + shadowReach);
        m_shadow.paint(p, layout, shadowFirst, shadowLast);
    }

    const auto [first, last] = layout.wordsBetween(top - wordReach, bottom + wordReach);
    const qint64 wordCount = layout.wordFrames().size();
    const qint64 current = s.current;
    if (const QTextLayout *fallback = layout.fallbackLayout()) {
        p.setPen(Qt::white);
        fallback->draw(&p, layout.fallbackRect().topLeft());
    } else if (current >= first && current < last
               && TeleprompterScroller::wordStyle(current, current, wordCount, s.videoBehind).highlighted) {
        // The highlight reaches beyond its word only into the gaps between
        // words, so it can go before all of them.
        const double radius = layout.input().fontSize * 0.16;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(TeleprompterScroller::highlightFill(s.videoBehind));
        p.drawRoundedRect(layout.wordFrames().at(current).adjusted(-8, -4, 8, 4), radius, radius);
        p.restore();
    }

    m_words.begin(p, toRing, layout.wordFont());
    if (!layout.input().title.isEmpty()) {
        m_words.drawBlock(p, layout.input().title, layout.titleFont(), QColor::fromRgbF(1, 1, 1, 0.5f),
                          layout.titleRect(), int(layout.alignment()) | Qt::TextWordWrap);
    }
    for (qsizetype i = first; i < last; ++i) {
        const WordStyle style = TeleprompterScroller::wordStyle(i, current, wordCount, s.videoBehind);
        m_words.draw(p, layout.input().tokens.at(i).raw, style.color, layout.wordFrames().at(i).topLeft());
    }
}

} // namespace tandrel
