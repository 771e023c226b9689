#include "sim/SimSerialPort.h"

#include <algorithm>
#include <cstring>

#include "platform/Clock.h"
#include "platform/ModeText.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"

namespace orvane::sim {

namespace {

// Longest real-time wait between two looks at the device (hang-up, stop).
constexpr uint32_t kSliceMs = 20;

// Waits `ms` on the process clock. A virtual clock only moves on: the wait belongs to the
// line, not to the code under test, and is not one of its recorded sleeps.
bool WaitOnClock(uint32_t ms) {
    IClock& clock = Clock();
    if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock)) {
        virtualClock->Advance(ms);
        return !virtualClock->StopRequested();
    }
    return clock.Sleep(ms);
}

}  // namespace

SimSerialPort::SimSerialPort(OrvaneDevice& device, std::shared_ptr<const std::atomic<bool>> served)
    : m_device(device), m_served(std::move(served)) {}

bool SimSerialPort::Gone() const {
    return (m_served && !m_served->load()) || m_device.HungUp();
}

bool SimSerialPort::Open(const std::string& /*device*/, const std::string& modeText) {
    ModeSettings settings;
    if (m_open || !ParseModeText(modeText, settings) || Gone()) {
        return false;
    }
    // A fresh open finds the queues purged.
    m_gatherer.Clear();
    m_replies.clear();
    m_open = true;
    return true;
}

void SimSerialPort::Close() {
    m_open = false;
    m_gatherer.Clear();
    m_replies.clear();
}

uint32_t SimSerialPort::MsUntilDue(uint32_t nowMs, uint32_t cap) const {
    if (m_replies.empty()) {
        return cap;
    }
    const auto ahead = static_cast<int32_t>(m_replies.front().dueMs - nowMs);
    return ahead <= 0 ? 0 : std::min(static_cast<uint32_t>(ahead), cap);
}

uint32_t SimSerialPort::Take(uint8_t* buf, uint32_t max, uint32_t nowMs) {
    uint32_t count = 0;
    while (count < max && !m_replies.empty() &&
           static_cast<int32_t>(m_replies.front().dueMs - nowMs) <= 0) {
        Reply& reply = m_replies.front();
        const auto n = static_cast<uint32_t>(
            std::min<std::size_t>(max - count, reply.bytes.size() - reply.taken));
        std::memcpy(buf + count, reply.bytes.data() + reply.taken, n);
        count += n;
        reply.taken += n;
        if (reply.taken == reply.bytes.size()) {
            m_replies.pop_front();
        }
    }
    return count;
}

int32_t SimSerialPort::Read(uint8_t* buf, uint32_t max) {
    if (!m_open || buf == nullptr || Clock().StopRequested() || Gone()) {
        return -1;
    }
    const uint32_t start = Clock().TickCount();
    uint32_t count = 0;
    uint32_t lastByte = start;
    for (;;) {
        const uint32_t now = Clock().TickCount();
        const uint32_t got = Take(buf + count, max - count, now);
        if (got > 0) {
            count += got;
            lastByte = now;
        }
        const uint32_t spent = now - start;
        if (count == max || spent >= kTotalMs || (count > 0 && now - lastByte >= kIntervalMs)) {
            return static_cast<int32_t>(count);
        }
        uint32_t limit = kTotalMs - spent;
        if (count > 0) {
            limit = std::min(limit, kIntervalMs - (now - lastByte));
        }
        const uint32_t wait =
            std::max<uint32_t>(1, std::min({MsUntilDue(now, limit), limit, kSliceMs}));
        if (!WaitOnClock(wait) || Gone()) {
            return -1;
        }
    }
}

int32_t SimSerialPort::Write(const uint8_t* buf, uint32_t count) {
    if (!m_open || (buf == nullptr && count != 0) || Gone()) {
        return -1;
    }
    const uint32_t now = Clock().TickCount();
    for (const std::vector<uint8_t>& request : m_gatherer.Feed(buf, count, now)) {
        std::optional<std::vector<uint8_t>> reply = m_device.Handle(request.data(), request.size());
        if (reply && !Gone()) {
            m_replies.push_back(Reply{now + m_device.ReplyDelayMs(), std::move(*reply), 0});
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace orvane::sim
