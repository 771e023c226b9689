#include "platform/SystemClock.h"

#include <chrono>
#include <thread>

namespace orvane {

namespace {
using Steady = std::chrono::steady_clock;

SystemClock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

IClock* g_installedClock = nullptr;
}  // namespace

IClock& Clock() {
    return g_installedClock != nullptr ? *g_installedClock : DefaultClock();
}

void SetClock(IClock* clock) {
    g_installedClock = clock;
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
