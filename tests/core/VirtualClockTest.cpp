#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

// A simulated device's thread keeps asking for the process clock while a test puts the system
// clock back; each ask must get one clock or the other (ThreadSanitizer checks the swap itself).
TEST(ProcessClock, SwappedWhileAnotherThreadAsksForIt) {
    orvane::IClock* const system = &orvane::Clock();
    orvane::VirtualClock clock;
    std::atomic<bool> done{false};
    std::atomic<int> strays{0};
    std::thread reader([&] {
        while (!done) {
            orvane::IClock* seen = &orvane::Clock();
            if (seen != system && seen != &clock) {
                ++strays;
            }
        }
    });
    for (int i = 0; i < 1000; ++i) {
        orvane::SetClock(&clock);
        orvane::SetClock(nullptr);
    }
    done = true;
    reader.join();
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(&orvane::Clock(), system);
}

}  // namespace
