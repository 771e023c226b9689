#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

namespace orvane {

// Simulated time for tests and tools: Sleep returns at once, records its argument and moves
// the time on. Back-end fakes that model time spent inside a platform call (a read that times
// out, say) use Advance, which moves the time without recording a wait.
class VirtualClock final : public IClock {
public:
    bool Sleep(uint32_t ms) override;
    uint32_t TickCount() override;
    int64_t HighResCounter() override;  // microseconds
    int64_t HighResFrequency() override;
    void RequestStop() override;
    void ClearStop() override;
    bool StopRequested() const override;

    void Advance(uint64_t ms);
    uint64_t NowMs() const;
    // Every Sleep argument so far, in order (yields included as 0).
    std::vector<uint32_t> Sleeps() const;
    void ClearSleeps();
    // Called after each recorded Sleep with its argument, e.g. to request a stop mid-run.
    void SetOnSleep(std::function<void(uint32_t)> hook);

private:
    mutable std::mutex m_mutex;
    uint64_t m_nowMs = 0;
    std::vector<uint32_t> m_sleeps;
    std::function<void(uint32_t)> m_onSleep;
    std::atomic<bool> m_bStop{false};
};

}  // namespace orvane
