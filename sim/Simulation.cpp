#include "sim/Simulation.h"

#include "sim/SimHidBackend.h"
#if defined(_WIN32)
#include "sim/SimInProcessSerial.h"
#else
#include "sim/SimSerialDevice.h"
#endif

namespace orvane::sim {

Simulation::Simulation(DeviceConfig config) {
    m_devices.push_back(std::make_unique<OrvaneDevice>(std::move(config)));
    m_serials.push_back(std::make_unique<SimSerialFace>(*m_devices[0]));
    m_hid = std::make_unique<SimHidBackend>(*m_devices[0]);
}

Simulation::Simulation(const SimSetup& setup) {
    std::vector<OrvaneDevice*> devices;
    for (uint32_t number = 1; number <= setup.devices; ++number) {
        m_devices.push_back(std::make_unique<OrvaneDevice>(setup.ConfigFor(number)));
        m_serials.push_back(std::make_unique<SimSerialFace>(*m_devices.back()));
        devices.push_back(m_devices.back().get());
    }
    // A single device keeps the single-device face, with its one fixed path.
    m_hid = devices.size() == 1 ? std::make_unique<SimHidBackend>(*devices[0])
                                : std::make_unique<SimHidBackend>(devices);
}

Simulation::~Simulation() {
    Stop();
}

bool Simulation::Start(std::string* error) {
    for (auto& serial : m_serials) {
        if (!serial->Running() && !serial->Start(error)) {
            return false;
        }
    }
    return true;
}

void Simulation::Stop() {
    for (auto& serial : m_serials) {
        serial->Stop();
    }
}

std::vector<std::string> Simulation::SerialPorts() const {
    std::vector<std::string> ports;
    for (const auto& serial : m_serials) {
        if (!serial->SlavePath().empty()) {
            ports.push_back(serial->SlavePath());
        }
    }
    return ports;
}

IHidBackend* Simulation::HidBackend() {
    return m_hid.get();
}

OrvaneDevice& Simulation::Device(std::size_t index) {
    return *m_devices.at(index);
}

}  // namespace orvane::sim
