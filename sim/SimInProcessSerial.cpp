#include "sim/SimInProcessSerial.h"

#include <memory>

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
    m_served = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<const std::atomic<bool>> served = m_served;
    RegisterInProcessSerialPort(
        kPortName, [device, served] { return std::make_unique<SimSerialPort>(*device, served); });
    m_running = true;
    m_path = kPortName;
    return true;
}

void SimInProcessSerial::Stop() {
    if (!m_running) {
        return;
    }
    UnregisterInProcessSerialPort(kPortName);
    m_served->store(false);
    m_served.reset();
    m_running = false;
    m_path.clear();
}

void SimInProcessSerial::HangUp() {
    m_device.HangUp();
}

}  // namespace orvane::sim
