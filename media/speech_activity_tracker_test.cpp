#include "media/speech_activity_tracker.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace tandrel;

namespace {

constexpr float voice = -20.0f;
constexpr float quiet = -70.0f;
constexpr float undefinedLevel = std::numeric_limits<float>::quiet_NaN();

struct Step
{
    float level;
    double time;
};

// Levels at a fixed step (1/16 s, exact in binary) from `from` up to and
// including `to`.
std::vector<Step> run(float level, double from, double to, double step = 0.0625)
{
    std::vector<Step> steps;
    for (double t = from; t <= to + 1e-12; t += step)
        steps.push_back({level, t});
    return steps;
}

std::vector<Step> concat(std::initializer_list<std::vector<Step>> parts)
{
    std::vector<Step> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST(SpeechActivityTracker, InitialGateSeparatesVoiceFromQuiet)
{
    const struct
    {
        float level;
        bool voiced;
    } cases[] = {
            {-46.0f, false},
            {-45.9f, true},
            {-46.1f, false},
            {0.0f, true},
            {-100.0f, false},
            {undefinedLevel, false},
            {std::numeric_limits<float>::infinity(), false},
            {-std::numeric_limits<float>::infinity(), false},
    };
    for (const auto &c : cases) {
        SpeechActivityTracker tracker;
        tracker.process(c.level, 1.0);
        EXPECT_EQ(tracker.speaking(), c.voiced) << c.level;
    }
}

TEST(SpeechActivityTracker, SettledBackgroundRaisesTheThreshold)
{
    SpeechActivityTracker tracker;
    for (int i = 0; i < 400; ++i)
        tracker.process(-50.0f, i * 0.02);
    EXPECT_NEAR(tracker.noiseFloor(), -50.0f, 1e-3);
    EXPECT_NEAR(tracker.threshold(), -39.0f, 1e-3);
    SpeechActivityTracker below = tracker;
    below.process(-39.2f, 8.0);
    EXPECT_FALSE(below.speaking());
    SpeechActivityTracker above = tracker;
    above.process(-38.8f, 8.0);
    EXPECT_TRUE(above.speaking());
    // Voice leaves the floor where it was; a quiet level above it lifts it.
    EXPECT_EQ(above.noiseFloor(), tracker.noiseFloor());
    EXPECT_GT(below.noiseFloor(), tracker.noiseFloor());
}

TEST(SpeechActivityTracker, IntervalsEndAtTheLastVoicedLevel)
{
    const struct
    {
        const char *name;
        std::vector<Step> steps;
        double endTime;
        std::vector<SpeechInterval> intervals;
    } cases[] = {
            {"single voiced level is too short",
             concat({run(voice, 1.0, 1.0), run(quiet, 1.0625, 3.0)}),
             3.0,
             {}},
            {"0.1875 s is kept",
             concat({run(voice, 1.0, 1.1875), run(quiet, 1.25, 3.0)}),
             3.0,
             {{1.0, 1.1875}}},
            {"0.125 s is dropped", concat({run(voice, 1.0, 1.125), run(quiet, 1.1875, 3.0)}), 3.0, {}},
            {"gap of 0.4375 s is bridged",
             concat({run(voice, 1.0, 1.5), run(quiet, 1.5625, 1.9375), run(voice, 2.0, 2.5),
                     run(quiet, 2.5625, 4.0)}),
             4.0,
             {{1.0, 2.5}}},
            {"gap of 0.5 s splits",
             concat({run(voice, 1.0, 1.5), run(quiet, 1.5625, 2.0), run(voice, 2.0625, 2.5),
                     run(quiet, 2.5625, 4.0)}),
             4.0,
             {{1.0, 1.5}, {2.0625, 2.5}}},
            {"open interval closes at its last voice",
             concat({run(quiet, 0, 0.5), run(voice, 1.0, 2.0)}),
             9.0,
             {{1.0, 2.0}}},
            {"open interval closes after a short quiet tail",
             concat({run(voice, 1.0, 2.0), run(quiet, 2.0625, 2.25)}),
             2.25,
             {{1.0, 2.0}}},
            {"open short interval is dropped at the end", run(voice, 1.0, 1.125), 5.0, {}},
            {"undefined end time keeps the last voice", run(voice, 1.0, 2.0), std::nan(""), {{1.0, 2.0}}},
            {"negative and undefined times count as zero",
             {{voice, -3.0}, {voice, std::nan("")}, {voice, 0.25}, {quiet, 1.0}},
             1.0,
             {{0.0, 0.25}}},
            {"time running backwards does not reorder intervals",
             concat({run(voice, 2.0, 2.5), run(quiet, 3.0, 3.0), run(voice, 1.0, 1.25),
                     run(voice, 3.25, 3.5)}),
             4.0,
             {{2.0, 2.5}, {3.0, 3.5}}},
            {"undefined levels never open an interval", run(undefinedLevel, 0.0, 3.0), 3.0, {}},
    };
    for (const auto &c : cases) {
        SpeechActivityTracker tracker;
        double latest = 0;
        for (const Step &step : c.steps) {
            tracker.process(step.level, step.time);
            latest = std::max(latest, step.time >= 0 ? step.time : 0.0);
        }
        EXPECT_EQ(tracker.finish(c.endTime, latest),
                  QList<SpeechInterval>(c.intervals.begin(), c.intervals.end()))
                << c.name;
        EXPECT_FALSE(tracker.speaking()) << c.name;
    }
}

TEST(SpeechActivityTracker, FinishingCutsAnIntervalBeyondTheEndTime)
{
    SpeechActivityTracker tracker;
    for (const Step &step : run(voice, 1.0, 2.0))
        tracker.process(step.level, step.time);
    EXPECT_EQ(tracker.finish(1.5, 1.25), (QList<SpeechInterval>{{1.0, 1.5}}));
}

TEST(SpeechActivityTracker, FloorFollowsQuietLevelsButTheGateHolds)
{
    SpeechActivityTracker tracker;
    for (int i = 0; i < 2000; ++i)
        tracker.process(undefinedLevel, i * 0.02);
    EXPECT_NEAR(tracker.noiseFloor(), -62.0f, 1e-3);

    for (int i = 0; i < 1000; ++i)
        tracker.process(-100.0f, 40 + i * 0.02);
    EXPECT_LT(tracker.noiseFloor(), -99.0f);
    EXPECT_EQ(tracker.threshold(), -46.0f);
    tracker.process(-45.9f, 61.0);
    EXPECT_TRUE(tracker.speaking());

    // A quiet level above the floor moves it at most to the threshold.
    SpeechActivityTracker loud;
    loud.process(-46.0f, 0);
    EXPECT_GT(loud.noiseFloor(), -62.0f);
    EXPECT_LT(loud.noiseFloor(), -46.0f);
}

TEST(SpeechActivityTracker, ResetStartsAFreshTake)
{
    SpeechActivityTracker tracker;
    for (const Step &step : concat({run(-55.0f, 0, 2.0), run(voice, 2.0625, 3.0)}))
        tracker.process(step.level, step.time);
    tracker.finish(3.0, 3.0);
    ASSERT_FALSE(tracker.intervals().isEmpty());
    tracker.process(voice, 4.0);
    tracker.reset();
    EXPECT_EQ(tracker, SpeechActivityTracker());
    // Time starts over too: an early voice opens at its own time.
    tracker.process(voice, 0.5);
    EXPECT_EQ(tracker.speechStart(), 0.5);
}
