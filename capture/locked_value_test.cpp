#include "capture/locked_value.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace tandrel;

TEST(LockedValue, UpdatesFromManyThreadsAreNotLost)
{
    LockedValue<long> counter(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                counter.update([](long &v) { ++v; });
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(counter.get(), 40000);
    EXPECT_EQ(counter.update([](long &v) { return v * 2; }), 80000);
}
