#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "WorkerFixture.h"

namespace worktest {
namespace {

class WorkerThread : public WorkerFixture {};

// In real time, on its own thread: the console's Stop (a stop request under the log guard)
// wakes the worker from its 5000 ms wait after frame 1, and it ends without another frame or
// line.
TEST_F(WorkerThread, StopWakesARunningWorker) {
    orvane::SetClock(nullptr);
    serial->clock = nullptr;
    std::promise<void> firstFrame;
    serial->respond = [&](const Bytes& written) {
        if (serial->writes.size() == 1) {
            firstFrame.set_value();
        }
        return written[10] == 0xC7 ? Message(0xC7, 0x00) : Bytes{};
    };
    WriteFrames({Message(0x18, 0x01), Message(0xC7, 0x13)});

    const auto start = std::chrono::steady_clock::now();
    std::thread worker([this] { DownloadWorker(&window); });
    firstFrame.get_future().wait();
    {
        std::lock_guard lock(window.m_logGuard);
        orvane::Clock().RequestStop();
    }
    worker.join();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    orvane::Clock().ClearStop();

    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));  // far below 500 + 5000
    EXPECT_EQ(serial->writes.size(), 1U);
    EXPECT_EQ(window.m_strLog, "");
    EXPECT_TRUE(window.refreshed.empty());
}

}  // namespace
}  // namespace worktest
