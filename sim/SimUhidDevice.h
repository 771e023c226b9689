#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace orvane::sim {

class OrvaneDevice;

// The USB face on a real kernel (Linux): a uhid device with the ids of the device's
// configuration, whose 64-byte reports (report ids 1 to 4, our position codes, each with 63
// data bytes, vendor page 0xFF00) hid-generic turns into a hidraw node that the links open.
//
// Each time the device leaves the bus (a restart, a hang-up) the uhid device is destroyed, so
// the host's open handles fail, and a new one is created once the device is back (never after
// a hang-up). Replies still queued on the old device are lost with it. The reply to a restart
// frame goes out on the new device once the host has held it open for 30 ms without writing;
// a request before that replaces it, as in the model. Replies go out when due; one that falls
// due while no host holds the node open is lost, as the kernel drops input nobody reads.
// Start/Stop from one owning thread; events are logged on `log` (may be null).
class SimUhidDevice {
public:
    explicit SimUhidDevice(OrvaneDevice& device, std::FILE* log = nullptr);
    ~SimUhidDevice();  // stops, destroying the device
    SimUhidDevice(const SimUhidDevice&) = delete;
    SimUhidDevice& operator=(const SimUhidDevice&) = delete;

    // Opens /dev/uhid, creates the device and starts serving. False (reason in *error) when
    // /dev/uhid cannot be opened or refuses the device.
    bool Start(std::string* error = nullptr);
    void Stop();

    // The report descriptor the device declares (also what an f_hid gadget is given).
    static const uint8_t* ReportDescriptor(std::size_t* size);

private:
    void Serve();
    bool Create();
    void Destroy();

    OrvaneDevice& m_device;
    std::FILE* m_log;
    int m_fd = -1;
    bool m_created = false;
    uint32_t m_instance = 0;  // makes each created device's phys unique
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

}  // namespace orvane::sim
