#include <gtest/gtest.h>

#include "platform/VirtualClock.h"

namespace {

TEST(VirtualClock, RecordsSleepsAndMovesTime) {
    orvane::VirtualClock clock;
    EXPECT_TRUE(clock.Sleep(500));
    clock.Advance(200);
    EXPECT_TRUE(clock.Sleep(0));
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 0}));
    EXPECT_EQ(clock.TickCount(), 700U);
    EXPECT_EQ(clock.HighResCounter() / clock.HighResFrequency(), 0);
    clock.Advance(300);
    EXPECT_EQ(clock.HighResCounter() / clock.HighResFrequency(), 1);
}

TEST(VirtualClock, StopMakesSleepFail) {
    orvane::VirtualClock clock;
    clock.SetOnSleep([&](uint32_t ms) {
        if (ms == 2000) {
            clock.RequestStop();
        }
    });
    EXPECT_TRUE(clock.Sleep(500));
    EXPECT_FALSE(clock.Sleep(2000));
    EXPECT_FALSE(clock.Sleep(500));  // not recorded: a stopped run waits no more
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 2000}));
    clock.ClearStop();
    EXPECT_TRUE(clock.Sleep(1));
}

}  // namespace
