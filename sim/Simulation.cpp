#include "sim/Simulation.h"

#include "sim/SimHidBackend.h"
#if defined(_WIN32)
#include "sim/SimInProcessSerial.h"
#else
#include "sim/SimSerialDevice.h"
#endif

namespace orvane::sim {

Simulation::Simulation(DeviceConfig config)
    : m_device(std::make_unique<OrvaneDevice>(std::move(config))),
      m_serial(std::make_unique<SimSerialFace>(*m_device)),
      m_hid(std::make_unique<SimHidBackend>(*m_device)) {}

Simulation::~Simulation() {
    Stop();
}

bool Simulation::Start(std::string* error) {
    return m_serial->Start(error);
}

void Simulation::Stop() {
    m_serial->Stop();
}

std::vector<std::string> Simulation::SerialPorts() const {
    if (m_serial->SlavePath().empty()) {
        return {};
    }
    return {m_serial->SlavePath()};
}

IHidBackend* Simulation::HidBackend() {
    return m_hid.get();
}

OrvaneDevice& Simulation::Device() {
    return *m_device;
}

}  // namespace orvane::sim
