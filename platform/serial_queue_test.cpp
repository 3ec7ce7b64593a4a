#include "platform/serial_queue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <vector>

using namespace tandrel;

TEST(SerialQueue, RunsWorkInPostingOrderOnItsOwnThread)
{
    std::vector<int> order;
    bool onQueue = true;
    {
        SerialQueue queue("test");
        for (int i = 0; i < 100; ++i)
            queue.post([&, i] {
                onQueue = onQueue && queue.isCurrent();
                order.push_back(i);
            });
        EXPECT_FALSE(queue.isCurrent());
    } // destruction drains the queue
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(onQueue);
}

TEST(SerialQueue, PostAndWaitReturnsAfterTheWorkRan)
{
    SerialQueue queue("test");
    std::atomic<int> value = 0;
    queue.post([&] { value = 1; });
    queue.postAndWait([&] { value = value * 10 + 2; });
    EXPECT_EQ(value.load(), 12);
}
