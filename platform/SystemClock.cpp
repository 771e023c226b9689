#include "platform/SystemClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace orvane {

namespace {
using Steady = std::chrono::steady_clock;

SystemClock& DefaultClock() {
    // Never destroyed: a thread that is still running at exit (the flasher's signal watcher
    // requesting a stop) must not meet a clock whose destructor has run.
    static SystemClock& clock = *new SystemClock;
    return clock;
}

// Atomic: threads that outlive a test (a simulated device's, say) still ask for the clock while
// the test puts the system clock back.
std::atomic<IClock*> g_installedClock{nullptr};
}  // namespace

IClock& Clock() {
    IClock* installed = g_installedClock.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : DefaultClock();
}

void SetClock(IClock* clock) {
    g_installedClock.store(clock, std::memory_order_release);
}

#if !defined(_WIN32)
bool SystemClock::Sleep(uint32_t ms) {
    std::unique_lock lock(m_mutex);
    if (m_bStop) {
        return false;
    }
    if (ms == 0) {
        lock.unlock();
        std::this_thread::yield();
        return !StopRequested();
    }
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop; });
}

uint32_t SystemClock::TickCount() {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

int64_t SystemClock::HighResCounter() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch())
        .count();
}

int64_t SystemClock::HighResFrequency() {
    return 1'000'000'000;
}

void SystemClock::RequestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
}

void SystemClock::ClearStop() {
    std::lock_guard lock(m_mutex);
    m_bStop = false;
}

bool SystemClock::StopRequested() const {
    std::lock_guard lock(m_mutex);
    return m_bStop;
}

#endif

}  // namespace orvane
