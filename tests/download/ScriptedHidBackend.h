#pragma once

// An IHidBackend with one device that answers each written report with scripted input reports,
// may be off the bus for chosen opens, and spends a read's whole wait on the VirtualClock when
// nothing is queued.

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DeviceEvents.h"
#include "platform/HidBackend.h"
#include "platform/VirtualClock.h"

namespace worktest {

struct HidDevice {
    orvane::VirtualClock* clock = nullptr;
    uint16_t vendorId = 0x0ACD;
    uint16_t productId = 0x3710;
    // Called with every written report; returns the input reports to queue (as messages are
    // joined from them: use CutIntoReports).
    std::function<std::vector<Bytes>(const Bytes& report)> respond;
    // Whether the device is on the bus at the given (1-based) open.
    std::function<bool(int open)> present = [](int) { return true; };
    int opens = 0;
    std::vector<Bytes> written;
    std::deque<Bytes> input;
    // Reports that become readable once the clock reaches the given time in ms.
    std::deque<std::pair<uint64_t, Bytes>> scheduled;
    int silentReads = 0;
    // "open" (device found), "open-absent", "write", "read" (a report delivered), "silent".
    std::vector<std::string> events;
};

class ScriptedHidDevice final : public orvane::IHidDevice {
public:
    explicit ScriptedHidDevice(std::shared_ptr<HidDevice> device) : m_device(std::move(device)) {}

    int Write(const uint8_t* report, size_t len) override {
        Bytes written(report, report + len);
        m_device->written.push_back(written);
        m_device->events.push_back("write");
        if (m_device->respond) {
            for (const Bytes& reply : m_device->respond(written)) {
                m_device->input.push_back(reply);
            }
        }
        return static_cast<int>(len);
    }

    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        while (!m_device->scheduled.empty() && m_device->clock != nullptr &&
               m_device->scheduled.front().first <= m_device->clock->NowMs()) {
            m_device->input.push_back(m_device->scheduled.front().second);
            m_device->scheduled.pop_front();
        }
        if (m_device->input.empty()) {
            ++m_device->silentReads;
            if (m_device->events.empty() || m_device->events.back() != "silent") {
                m_device->events.push_back("silent");
            }
            if (m_device->clock != nullptr && timeoutMs > 0) {
                m_device->clock->Advance(static_cast<uint64_t>(timeoutMs));
            }
            return 0;
        }
        m_device->events.push_back("read");
        const Bytes next = m_device->input.front();
        m_device->input.pop_front();
        const size_t n = std::min(len, next.size());
        std::memcpy(report, next.data(), n);
        return static_cast<int>(n);
    }

    uint32_t InputReportLength() const override { return 64; }
    uint32_t OutputReportLength() const override { return 64; }

private:
    std::shared_ptr<HidDevice> m_device;
};

class ScriptedHidBackend final : public orvane::IHidBackend {
public:
    explicit ScriptedHidBackend(std::shared_ptr<HidDevice> device) : m_device(std::move(device)) {}

    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        const int open = ++m_device->opens;
        if (!m_device->present(open)) {
            m_device->events.push_back("open-absent");
            return {};
        }
        m_device->events.push_back("open");
        return {{"/dev/hidraw-test", m_device->vendorId, m_device->productId, "Orvane"}};
    }

    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override {
        return std::make_unique<ScriptedHidDevice>(m_device);
    }

private:
    std::shared_ptr<HidDevice> m_device;
};

}  // namespace worktest
