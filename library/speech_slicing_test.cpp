#include "library/speech_slicing.h"

#include <gtest/gtest.h>
#include <limits>
#include <ostream>

using namespace tandrel;

namespace tandrel {
void PrintTo(const SpeechSlice &s, std::ostream *os)
{
    *os << "[" << s.startFrame << ", " << s.endFrame << ")" << (s.speaking ? " speaking" : " pause");
}
} // namespace tandrel

TEST(SpeechSlicing, CutsATakeAtItsSpeechIntervals)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        const char *what;
        QList<SpeechInterval> intervals;
        double duration;
        QList<SpeechSlice> slices;
    } cases[] = {
            {"close intervals merge, the last is cut at the end",
             {{1.0, 3.0}, {3.05, 5.0}, {7.0, 20.0}},
             10.0,
             {{0, 30, false}, {30, 150, true}, {150, 210, false}, {210, 300, true}}},
            {"intervals 0.1 s apart stay separate",
             {{1.0, 2.0}, {2.1, 3.0}},
             4.0,
             {{0, 30, false}, {30, 60, true}, {60, 63, false}, {63, 90, true}, {90, 120, false}}},
            {"no intervals give one pause", {}, 2.0, {{0, 60, false}}},
            {"too short intervals are ignored", {{1.0, 1.0005}, {2.0, 2.0}}, 3.0, {{0, 90, false}}},
            {"negative times count as 0", {{-2.0, 1.0}}, 2.0, {{0, 30, true}, {30, 60, false}}},
            {"a start that is not a number counts as 0", {{nan, 1.0}}, 2.0, {{0, 30, true}, {30, 60, false}}},
            {"a very short take still has one frame", {}, 0.01, {{0, 1, false}}},
            {"a duration that is not a number gives one frame", {{0.0, 1.0}}, nan, {{0, 1, true}}},
            {"an interval after the end adds nothing", {{5.0, 6.0}}, 2.0, {{0, 60, false}}},
            {"unsorted intervals are sorted first",
             {{3.0, 4.0}, {1.0, 2.0}},
             5.0,
             {{0, 30, false}, {30, 60, true}, {60, 90, false}, {90, 120, true}, {120, 150, false}}},
            {"speech over the whole take", {{0.0, 2.0}}, 2.0, {{0, 60, true}}},
            {"a gap of 0.08 s merges, a contained interval changes nothing",
             {{1.0, 2.0}, {2.08, 3.0}, {1.5, 1.7}},
             4.0,
             {{0, 30, false}, {30, 90, true}, {90, 120, false}}},
            {"half frames round away from zero",
             {{0.25, 0.75}},
             1.25,
             {{0, 8, false}, {8, 23, true}, {23, 38, false}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(speechSlices(c.intervals, c.duration), c.slices) << c.what;
}

