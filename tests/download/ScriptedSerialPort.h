#pragma once

// An ISerialPort whose device answers each written frame with scripted reply bytes. A read with
// nothing pending models the platform's 200 ms of silence on the installed VirtualClock.

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DeviceEvents.h"
#include "platform/SerialPort.h"
#include "platform/VirtualClock.h"

namespace worktest {

struct SerialDevice {
    orvane::VirtualClock* clock = nullptr;
    // Called with every written frame; returns the reply (empty: silence).
    std::function<Bytes(const Bytes& written)> respond;
    std::vector<Bytes> writes;
    Bytes pending;
    int reads = 0;
    std::function<void(int read)> onRead;  // called at the start of each read (1-based)
    std::vector<std::string> events;       // "write", "read" (with data), "silent"
};

class ScriptedSerialPort final : public orvane::ISerialPort {
public:
    explicit ScriptedSerialPort(std::shared_ptr<SerialDevice> device)
        : m_device(std::move(device)) {}

    bool Open(const std::string&, const std::string&) override {
        m_bOpen = true;
        return true;
    }
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }

    int32_t Read(uint8_t* buf, uint32_t max) override {
        ++m_device->reads;
        if (m_device->onRead) {
            m_device->onRead(m_device->reads);
        }
        if (m_device->pending.empty()) {
            m_device->events.push_back("silent");
            if (m_device->clock != nullptr) {
                m_device->clock->Advance(200);
            }
            return 0;
        }
        m_device->events.push_back("read");
        const uint32_t n = std::min<uint32_t>(max, static_cast<uint32_t>(m_device->pending.size()));
        std::memcpy(buf, m_device->pending.data(), n);
        m_device->pending.erase(m_device->pending.begin(), m_device->pending.begin() + n);
        return static_cast<int32_t>(n);
    }

    int32_t Write(const uint8_t* buf, uint32_t count) override {
        Bytes written(buf, buf + count);
        m_device->writes.push_back(written);
        m_device->events.push_back("write");
        if (m_device->respond) {
            m_device->pending = m_device->respond(written);
        }
        return static_cast<int32_t>(count);
    }

private:
    std::shared_ptr<SerialDevice> m_device;
    bool m_bOpen = false;
};

}  // namespace worktest
