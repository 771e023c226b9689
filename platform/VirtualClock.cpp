#include "platform/VirtualClock.h"

namespace orvane {

bool VirtualClock::Sleep(uint32_t ms) {
    if (m_bStop) {
        return false;
    }
    std::function<void(uint32_t)> hook;
    {
        std::lock_guard lock(m_mutex);
        m_sleeps.push_back(ms);
        m_nowMs += ms;
        hook = m_onSleep;
    }
    if (hook) {
        hook(ms);
    }
    return !m_bStop;
}

uint32_t VirtualClock::TickCount() {
    return static_cast<uint32_t>(NowMs());
}

int64_t VirtualClock::HighResCounter() {
    return static_cast<int64_t>(NowMs()) * 1000;
}

int64_t VirtualClock::HighResFrequency() {
    return 1'000'000;
}

void VirtualClock::RequestStop() {
    m_bStop = true;
}

void VirtualClock::ClearStop() {
    m_bStop = false;
}

bool VirtualClock::StopRequested() const {
    return m_bStop;
}

void VirtualClock::Advance(uint64_t ms) {
    std::lock_guard lock(m_mutex);
    m_nowMs += ms;
}

uint64_t VirtualClock::NowMs() const {
    std::lock_guard lock(m_mutex);
    return m_nowMs;
}

std::vector<uint32_t> VirtualClock::Sleeps() const {
    std::lock_guard lock(m_mutex);
    return m_sleeps;
}

void VirtualClock::ClearSleeps() {
    std::lock_guard lock(m_mutex);
    m_sleeps.clear();
}

void VirtualClock::SetOnSleep(std::function<void(uint32_t)> hook) {
    std::lock_guard lock(m_mutex);
    m_onSleep = std::move(hook);
}

}  // namespace orvane
