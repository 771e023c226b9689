#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/OrvaneDevice.h"

namespace orvane::sim {

class SimHidBackend;
// The RS232 face: a pseudo-terminal, or served in process where there is none.
#if defined(_WIN32)
class SimInProcessSerial;
using SimSerialFace = SimInProcessSerial;
#else
class SimSerialDevice;
using SimSerialFace = SimSerialDevice;
#endif

// The simulated device behind both faces, for --simulate (the console and orvane-flash): one
// OrvaneDevice reached over a pseudo-terminal (RS232) and through an in-process HID back end
// (USB). Start and Stop on one thread; the accessors may be called from any thread while it runs.
class Simulation {
public:
    explicit Simulation(DeviceConfig config = {});
    ~Simulation();  // stops
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Opens the pseudo-terminal and starts serving. Returns false (with a reason in *error when
    // given) when the pseudo-terminal cannot be had; the HID face works either way.
    bool Start(std::string* error = nullptr);
    // Stops serving and closes the pseudo-terminal; harmless when not started.
    void Stop();

    // The serial ports to scan instead of the platform's list: the pseudo-terminal's slave path
    // (empty before Start succeeded).
    std::vector<std::string> SerialPorts() const;
    // The back end to install with g_hidLink.SetBackend(...); lives as long as this object.
    IHidBackend* HidBackend();

    OrvaneDevice& Device();

private:
    std::unique_ptr<OrvaneDevice> m_device;
    std::unique_ptr<SimSerialFace> m_serial;
    std::unique_ptr<SimHidBackend> m_hid;
};

}  // namespace orvane::sim
