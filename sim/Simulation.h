#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/DeviceOptions.h"
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

// The simulated devices behind both faces, for --simulate (the console and orvane-flash): each
// OrvaneDevice reached over a pseudo-terminal of its own (RS232) and through one in-process HID
// back end (USB). One device by default; a SimSetup gives several, whose USB faces share the ids
// and differ in serial number and port path (SimHidBackend). Start and Stop on one thread; the
// accessors may be called from any thread while it runs.
class Simulation {
public:
    explicit Simulation(DeviceConfig config = {});
    explicit Simulation(const SimSetup& setup);
    ~Simulation();  // stops
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Opens the pseudo-terminals and starts serving. Returns false (with a reason in *error when
    // given) when one cannot be had; the HID face works either way.
    bool Start(std::string* error = nullptr);
    // Stops serving and closes the pseudo-terminals; harmless when not started.
    void Stop();

    // The serial ports to scan instead of the platform's list: the pseudo-terminals' slave paths
    // in device order (none before Start succeeded).
    std::vector<std::string> SerialPorts() const;
    // The back end to install with g_hidLink.SetBackend(...); lives as long as this object.
    IHidBackend* HidBackend();

    // Device `index` (from 0; below DeviceCount()).
    OrvaneDevice& Device(std::size_t index = 0);
    std::size_t DeviceCount() const { return m_devices.size(); }

private:
    std::vector<std::unique_ptr<OrvaneDevice>> m_devices;
    std::vector<std::unique_ptr<SimSerialFace>> m_serials;
    std::unique_ptr<SimHidBackend> m_hid;
};

}  // namespace orvane::sim
