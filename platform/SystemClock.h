#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/Clock.h"

namespace orvane {

// Real time on std::chrono::steady_clock; Sleep waits on a condition variable so that
// RequestStop wakes it at once.
class SystemClock final : public IClock {
public:
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
};

}  // namespace orvane
