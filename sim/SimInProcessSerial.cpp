#include "sim/SimInProcessSerial.h"

#include <memory>
#include <string>

#include "platform/InProcessSerial.h"
#include "sim/OrvaneDevice.h"
#include "sim/SimSerialPort.h"

namespace orvane::sim {

SimInProcessSerial::SimInProcessSerial(OrvaneDevice& device) : m_device(device) {}

SimInProcessSerial::~SimInProcessSerial() {
    Stop();
}

bool SimInProcessSerial::Start(std::string* error) {
    if (m_running) {
        if (error != nullptr) {
            *error = "already running";
        }
        return false;
    }
    OrvaneDevice* device = &m_device;
    auto served = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<const std::atomic<bool>> seen = served;
    const auto factory = [device, seen] { return std::make_unique<SimSerialPort>(*device, seen); };
    // Several simulated devices at once each need a port of their own.
    for (int number = 1; number <= kMaxFaces; ++number) {
        const std::string name = "sim:COM" + std::to_string(number);
        if (RegisterInProcessSerialPort(name, factory)) {
            m_served = std::move(served);
            m_running = true;
            m_path = name;
            return true;
        }
    }
    if (error != nullptr) {
        *error = "every simulated port name is taken";
    }
    return false;
}

void SimInProcessSerial::Stop() {
    if (!m_running) {
        return;
    }
    UnregisterInProcessSerialPort(m_path);
    m_served->store(false);
    m_served.reset();
    m_running = false;
    m_path.clear();
}

void SimInProcessSerial::HangUp() {
    m_device.HangUp();
}

}  // namespace orvane::sim
