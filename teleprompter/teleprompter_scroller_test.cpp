#include "teleprompter/teleprompter_scroller.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

// 40 words, four to a row of 60 points: word i's top is 100 + 60 * (i / 4).
TeleprompterScroller longText(TeleprompterTextPlacement placement = TeleprompterTextPlacement::standard)
{
    TeleprompterScroller s;
    QList<double> tops;
    for (int i = 0; i < 40; ++i)
        tops.append(100 + 60 * (i / 4));
    s.setWordMinY(tops);
    s.setContentHeight(3000);
    s.setViewport(1000, placement); // reading line 220 (standard)
    return s;
}

ScrollInputs steady(double speed = 72)
{
    return {TeleprompterScrollMode::steady, speed, true, 40, 0, 0};
}

ScrollInputs speech(qint64 cursor, qint64 lookahead, qint64 count = 40)
{
    return {TeleprompterScrollMode::speech, 72, true, count, cursor, lookahead};
}

void runTicks(TeleprompterScroller &s, const ScrollInputs &in, int ticks, double start = 0,
              double step = 1.0 / 60)
{
    for (int i = 1; i <= ticks; ++i)
        s.tick(start + i * step, in);
}

} // namespace

TEST(TeleprompterScroller, SteadyModeMovesAtTheScrollSpeedAndAbsorbsStallsAndBackwardsTime)
{
    // 72 points a second; a tick after more than 50 ms counts as 50 ms.
    const struct
    {
        double gap, moved;
    } cases[] = {{2.0, 3.6}, {0.05, 3.6}, {0.01, 0.72}, {-1.0, 0}};
    for (const auto &c : cases) {
        TeleprompterScroller s = longText();
        s.restartClock(10);
        s.tick(10 + c.gap, steady());
        EXPECT_NEAR(s.scrollOffset(), c.moved, 1e-9) << c.gap;
    }
    TeleprompterScroller s = longText();
    s.restartClock(0);
    runTicks(s, steady(), 60);
    EXPECT_NEAR(s.scrollOffset(), 72, 1e-9) << "a second of ticks";
}

TEST(TeleprompterScroller, PausedTextHoldsStillAndResumesWithoutAJump)
{
    TeleprompterScroller s = longText();
    s.restartClock(0);
    ScrollInputs paused = steady();
    paused.isScrolling = false;
    runTicks(s, paused, 120);
    EXPECT_EQ(s.scrollOffset(), 0);
    s.tick(2 + 1.0 / 60, steady());
    EXPECT_NEAR(s.scrollOffset(), 72.0 / 60, 1e-9);

    ScrollInputs pausedSpeech = speech(20, 0);
    pausedSpeech.isScrolling = false;
    s.tick(3, pausedSpeech);
    EXPECT_NEAR(s.scrollOffset(), 72.0 / 60, 1e-9);
}

TEST(TeleprompterScroller, SteadyModeStopsAtTheEndAndZeroReturnsToTheTop)
{
    TeleprompterScroller s = longText();
    s.setScrollOffset(1990);
    s.restartClock(0);
    runTicks(s, steady(), 120);
    EXPECT_DOUBLE_EQ(s.scrollOffset(), 2000); // content 3000 - viewport 1000
    s.setScrollOffset(0);
    runTicks(s, steady(), 1, 2);
    EXPECT_GT(s.scrollOffset(), 0);
}

TEST(TeleprompterScroller, ShortTextNeverScrolls)
{
    for (const ScrollInputs &in : {steady(), speech(30, 2)}) {
        TeleprompterScroller s = longText();
        s.setContentHeight(900);
        s.restartClock(0);
        runTicks(s, in, 120);
        EXPECT_EQ(s.maxOffset(), 0);
        EXPECT_EQ(s.scrollOffset(), 0);
    }
}

TEST(TeleprompterScroller, SpeechTargetPutsTheAlignedWordOnTheReadingLine)
{
    TeleprompterScroller s = longText();
    const struct
    {
        qint64 cursor, lookahead, count;
        double target;
    } cases[] = {
            {10, 2, 40, 100 + 60 * 3 - 220}, // word 12
            {9, 0, 5, 100 + 60 * 1 - 220}, // beyond the end: the last word (4)
            {0, 0, 40, 100 - 220}, // before the text's top: limited when used
            {-3, 0, 40, 100 - 220},          {0, 0, 0, 0}, // no words
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(s.speechTarget(speech(c.cursor, c.lookahead, c.count)), c.target) << c.cursor;

    // A word not laid out yet holds the text where it is.
    s.setWordMinY({100, 100, 160});
    s.setScrollOffset(42);
    EXPECT_DOUBLE_EQ(s.speechTarget(speech(10, 0)), 42);
}

TEST(TeleprompterScroller, SpeechModeApproachesExponentiallyAndSnaps)
{
    TeleprompterScroller s = longText();
    const double target = 100 + 60 * 3 - 220; // word 12 at 60
    s.restartClock(0);
    s.tick(1.0 / 60, speech(10, 2));
    EXPECT_NEAR(s.scrollOffset(), target * 7.0 / 60, 1e-9);
    runTicks(s, speech(10, 2), 600, 1.0 / 60);
    EXPECT_DOUBLE_EQ(s.scrollOffset(), target); // snapped exactly, never past it

    // 0.3 points away: one tick lands exactly on the target.
    s.setScrollOffset(target - 0.3);
    s.tick(100, speech(10, 2));
    EXPECT_DOUBLE_EQ(s.scrollOffset(), target);
    // A long stall never overshoots: the step factor is at most 1.
    s.setScrollOffset(target - 50);
    s.restartClock(0);
    s.tick(5, speech(10, 2));
    EXPECT_LE(s.scrollOffset(), target);
}

TEST(TeleprompterScroller, CurrentWordFollowsTheModesRule)
{
    TeleprompterScroller s = longText();
    EXPECT_EQ(s.currentWordIndex(speech(10, 2)), 12);
    EXPECT_EQ(s.currentWordIndex(speech(39, 5)), 40); // after the last word
    EXPECT_EQ(s.currentWordIndex(speech(0, 0, 0)), 0);

    // Steady: the first word of the row whose top is nearest the reading line.
    const struct
    {
        double offset;
        qint64 word;
    } cases[] = {{0, 8}, {-120, 0}, {9, 8}, {31, 12}, {30, 8}, {5000, 36}};
    for (const auto &c : cases) {
        s.setScrollOffset(c.offset);
        EXPECT_EQ(s.currentWordIndex(steady()), c.word) << c.offset;
    }
    s.setWordMinY({});
    EXPECT_EQ(s.currentWordIndex(steady()), 0);
}

TEST(TeleprompterScroller, WordColoursFollowReadingProgress)
{
    const QColor amber = QColor::fromRgbF(1.0f, 0.86f, 0.35f, 1.0f);
    const struct
    {
        qint64 index, current, count;
        bool video;
        double alpha;
        bool amberWord;
    } cases[] = {
            {3, 5, 10, false, 0.38, false}, {3, 5, 10, true, 0.5, false},   {5, 5, 10, false, 1.0, true},
            {7, 5, 10, true, 1.0, false},   {9, 10, 10, true, 0.38, false},
    };
    for (const auto &c : cases) {
        const WordStyle style = TeleprompterScroller::wordStyle(c.index, c.current, c.count, c.video);
        EXPECT_NEAR(style.color.alphaF(), c.alpha, 0.01) << c.index;
        EXPECT_EQ(style.highlighted, c.amberWord) << c.index;
        EXPECT_EQ(style.color == amber, c.amberWord) << c.index;
    }
    EXPECT_NEAR(TeleprompterScroller::highlightFill(true).alphaF(), 0.3, 0.01);
    EXPECT_NEAR(TeleprompterScroller::highlightFill(false).alphaF(), 0.18, 0.01);
}
