#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/Clock.h"

namespace orvane {

// Real time on std::chrono::steady_clock; Sleep waits on a condition variable so that
// RequestStop wakes it at once. Windows (SystemClockWin32.cpp): GetTickCount, the performance
// counter, and Sleep on an event, which keeps to the millisecond where the condition variable
// of mingw-w64's threads overshoots by several.
class SystemClock final : public IClock {
public:
#if defined(_WIN32)
    SystemClock();
    ~SystemClock() override;
    SystemClock(const SystemClock&) = delete;
    SystemClock& operator=(const SystemClock&) = delete;
#endif
    bool Sleep(uint32_t ms) override;
    uint32_t TickCount() override;
    int64_t HighResCounter() override;
    int64_t HighResFrequency() override;
    void RequestStop() override;
    void ClearStop() override;
    bool StopRequested() const override;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
#if defined(_WIN32)
    void* m_hWake = nullptr;  // manual-reset event, set while a stop is requested
#endif
};

}  // namespace orvane
