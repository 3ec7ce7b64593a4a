#pragma once

#include "teleprompter/teleprompter_scroll_mode.h"
#include "teleprompter/teleprompter_text_placement.h"

#include <QColor>
#include <QList>

namespace tandrel {

// What the scroll clock reads from the teleprompter state on each tick.
struct ScrollInputs
{
    TeleprompterScrollMode mode = TeleprompterScrollMode::speech;
    double scrollSpeed = 72; // points per second in steady mode
    bool isScrolling = false;
    qint64 tokenCount = 0;
    qint64 cursor = 0;
    qint64 lookahead = 0;
    bool operator==(const ScrollInputs &) const = default;
};

// How one word is drawn for a given reading progress.
struct WordStyle
{
    QColor color;
    bool highlighted = false;
    bool operator==(const WordStyle &) const = default;
};

// The teleprompter's scroll position and the rules that move it, apart from
// any painting. Geometry is in points, y growing downwards: at offset 0 the
// text column's top is at the window's top, and word i is drawn at window
// y = wordMinY[i] - scrollOffset.
class TeleprompterScroller
{
public:
    static constexpr double tickInterval = 1.0 / 60.0;
    static constexpr double maxStep = 0.05; // longest time one tick may account for
    static constexpr double approachRate = 7.0; // per second, speech mode
    static constexpr double snapDistance = 0.4; // points

    // Advances the clock to `now` (seconds of a monotonic clock) and moves the
    // text. A stalled clock counts as at most `maxStep`, a clock that runs
    // backwards as no time. While paused the clock keeps its time fresh so
    // that resuming never jumps.
    void tick(double now, const ScrollInputs &inputs);
    // Restarts the clock at `now` without moving the text.
    void restartClock(double now) { m_lastTick = now; }

    // The word the reader has reached: in speech mode the aligned position, in
    // steady mode the word whose top is nearest to the reading line.
    qint64 currentWordIndex(const ScrollInputs &inputs) const;
    // The offset that puts the top of the aligned word on the reading line,
    // not yet limited to the scroll range; the current offset while that word
    // has no measured position.
    double speechTarget(const ScrollInputs &inputs) const;
    double maxOffset() const;

    static WordStyle wordStyle(qint64 index, qint64 current, qint64 count, bool videoBehind);
    static QColor highlightFill(bool videoBehind);

    // Geometry from the layout. `wordMinY` holds the top of word i at index i;
    // tops never decrease with the index, as words are placed in reading order.
    void setWordMinY(QList<double> tops) { m_wordMinY = std::move(tops); }
    const QList<double> &wordMinY() const { return m_wordMinY; }
    void setContentHeight(double height) { m_contentHeight = height; }
    double contentHeight() const { return m_contentHeight; }
    void setViewport(double height, TeleprompterTextPlacement placement);
    void setPlacement(TeleprompterTextPlacement placement);
    double viewportHeight() const { return m_viewportHeight; }
    double readingLine() const { return m_readingLine; }

    double scrollOffset() const { return m_scrollOffset; }
    void setScrollOffset(double offset) { m_scrollOffset = offset; }

private:
    double clamp(double offset) const;

    QList<double> m_wordMinY;
    double m_contentHeight = 0;
    double m_viewportHeight = 0;
    double m_readingLine = 0;
    double m_scrollOffset = 0;
    double m_lastTick = 0;
};

} // namespace tandrel
