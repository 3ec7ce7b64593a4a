#include "teleprompter/teleprompter_scroller.h"

#include "teleprompter/layout_metrics.h"

#include <algorithm>
#include <cmath>

namespace tandrel {

void TeleprompterScroller::setViewport(double height, TeleprompterTextPlacement placement)
{
    m_viewportHeight = height;
    m_readingLine = LayoutMetrics::readingLineFor(height, placement);
}

void TeleprompterScroller::setPlacement(TeleprompterTextPlacement placement)
{
    m_readingLine = LayoutMetrics::readingLineFor(m_viewportHeight, placement);
}

double TeleprompterScroller::maxOffset() const
{
    return std::max(m_contentHeight - m_viewportHeight, 0.0);
}

double TeleprompterScroller::clamp(double offset) const
{
    return std::clamp(offset, 0.0, maxOffset());
}

void TeleprompterScroller::tick(double now, const ScrollInputs &inputs)
{
    const double dt = now - m_lastTick;
    m_lastTick = now;
    const double step = dt < 0 ? 0 : std::min(dt, maxStep);
    if (!inputs.isScrolling)
        return;
    if (inputs.mode == TeleprompterScrollMode::steady) {
        m_scrollOffset = clamp(m_scrollOffset + step * inputs.scrollSpeed);
        return;
    }
    const double target = clamp(speechTarget(inputs));
    const double distance = target - m_scrollOffset;
    if (std::abs(distance) < snapDistance)
        m_scrollOffset = target;
    else
        m_scrollOffset += std::min(step * approachRate, 1.0) * distance;
}

double TeleprompterScroller::speechTarget(const ScrollInputs &inputs) const
{
    const qint64 n = inputs.tokenCount;
    if (n <= 0)
        return 0;
    qint64 i = std::min(inputs.cursor + inputs.lookahead, n);
    i = std::min(std::max(i, qint64(0)), n - 1);
    if (i >= m_wordMinY.size())
        return m_scrollOffset;
    return m_wordMinY.at(i) - m_readingLine;
}

qint64 TeleprompterScroller::currentWordIndex(const ScrollInputs &inputs) const
{
    if (inputs.tokenCount <= 0)
        return 0;
    if (inputs.mode == TeleprompterScrollMode::speech)
        return std::min(inputs.cursor + inputs.lookahead, inputs.tokenCount);
    if (m_wordMinY.isEmpty())
        return 0;
    // Words of one row share their top; of equally near words the first in
    // reading order wins, so the highlight sits at the start of the row.
    const double line = m_scrollOffset + m_readingLine;
    const auto below = std::lower_bound(m_wordMinY.begin(), m_wordMinY.end(), line);
    auto best = below == m_wordMinY.end() ? below - 1 : below;
    if (below != m_wordMinY.begin()) {
        const auto above = std::lower_bound(m_wordMinY.begin(), below, *(below - 1));
        if (below == m_wordMinY.end() || line - *above <= *below - line)
            best = above;
    }
    return best - m_wordMinY.begin();
}

WordStyle TeleprompterScroller::wordStyle(qint64 index, qint64 current, qint64 count, bool videoBehind)
{
    if (current >= count)
        return {QColor::fromRgbF(1, 1, 1, 0.38f), false};
    if (index < current)
        return {QColor::fromRgbF(1, 1, 1, videoBehind ? 0.5f : 0.38f), false};
    if (index == current)
        return {QColor::fromRgbF(1.0f, 0.86f, 0.35f, 1.0f), true};
    return {QColor(Qt::white), false};
}

QColor TeleprompterScroller::highlightFill(bool videoBehind)
{
    // The system yellow, not pure yellow: it stays warm under the amber word colour.
    return QColor::fromRgbF(1.0f, 0.8f, 0.0f, videoBehind ? 0.3f : 0.18f);
}

} // namespace tandrel
