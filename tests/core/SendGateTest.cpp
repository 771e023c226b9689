#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SendGate.h"
#include "platform/SystemClock.h"

namespace {

class SendGateTest : public ::testing::Test {
protected:
    void SetUp() override { orvane::SetClock(&m_clock); }
    void TearDown() override { orvane::SetClock(nullptr); }
    orvane::SystemClock m_clock;
};

TEST_F(SendGateTest, NothingIsSentOnceAStopIsPending) {
    int sends = 0;
    EXPECT_TRUE(orvane::SendUnlessStopped([&] { ++sends; }));
    m_clock.RequestStop();
    EXPECT_FALSE(orvane::SendUnlessStopped([&] { ++sends; }));
    EXPECT_EQ(sends, 1);
}

// Real time, once: the stop returns only after a write that was already under way has ended.
TEST_F(SendGateTest, StopWaitsForAWriteUnderWay) {
    std::atomic<bool> writing{false};
    std::atomic<bool> written{false};
    std::thread sender([&] {
        orvane::SendUnlessStopped([&] {
            writing = true;
            while (!m_clock.StopRequested()) {
                std::this_thread::yield();
            }
            // A write that ignores the stop for a while, as a blocking driver call would.
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            written = true;
        });
    });
    while (!writing) {
        std::this_thread::yield();
    }
    orvane::RequestStopAndDrain();
    EXPECT_TRUE(written);
    sender.join();
}

// Real time, once: a write stuck in a driver holds the stop no longer than the drain limit.
TEST_F(SendGateTest, StopDoesNotWaitForeverForAStuckWrite) {
    std::atomic<bool> writing{false};
    std::atomic<bool> release{false};
    std::thread sender([&] {
        orvane::SendUnlessStopped([&] {
            writing = true;
            while (!release) {
                std::this_thread::yield();
            }
        });
    });
    while (!writing) {
        std::this_thread::yield();
    }
    const auto start = std::chrono::steady_clock::now();
    orvane::RequestStopAndDrain();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, orvane::kDrainLimit);
    EXPECT_LT(waited, orvane::kDrainLimit * 10);
    release = true;
    sender.join();
}

}  // namespace
