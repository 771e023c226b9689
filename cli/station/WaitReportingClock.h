#pragma once

#include <functional>

#include "platform/Clock.h"

namespace orvane::cli::station {

// A clock that passes everything to `base` and reports each wait of at least kReportMs before it
// begins, so that a station can show what a download waits for. `report` runs on the waiting
// thread and must not wait itself.
class WaitReportingClock final : public IClock {
public:
    static constexpr uint32_t kReportMs = 100;

    WaitReportingClock(IClock& base, std::function<void(uint32_t ms)> report)
        : m_base(base), m_report(std::move(report)) {}

    bool Sleep(uint32_t ms) override {
        if (ms >= kReportMs && !m_base.StopRequested()) {
            m_report(ms);
        }
        return m_base.Sleep(ms);
    }
    uint32_t TickCount() override { return m_base.TickCount(); }
    int64_t HighResCounter() override { return m_base.HighResCounter(); }
    int64_t HighResFrequency() override { return m_base.HighResFrequency(); }
    void RequestStop() override { m_base.RequestStop(); }
    void ClearStop() override { m_base.ClearStop(); }
    bool StopRequested() const override { return m_base.StopRequested(); }

private:
    IClock& m_base;
    std::function<void(uint32_t)> m_report;
};

}  // namespace orvane::cli::station
