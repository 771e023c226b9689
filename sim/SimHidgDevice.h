#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace orvane::sim {

class OrvaneDevice;

// The USB face behind a real USB stack (Linux): the device end of an f_hid gadget function
// (/dev/hidgN, 64-byte reports with the report id in byte 0), so that the host reaches it through
// usbhid and hidraw. Given the gadget's UDC file, each time the device leaves the bus the
// gadget is unbound (the host sees a disconnect and its handles fail) and bound again to the
// same controller once the device is back; after a hang-up it stays unbound. Without a UDC file
// restarts are not visible on the bus.
//
// The reply to a restart frame is not sent: the gadget cannot tell when the host opens the new
// device, and a report written before that goes to whichever handle polls first. Start/Stop
// from one owning thread; events are logged on `log` (may be null).
class SimHidgDevice {
public:
    SimHidgDevice(OrvaneDevice& device, std::string node, std::string udcFile = {},
                  std::FILE* log = nullptr);
    ~SimHidgDevice();  // stops
    SimHidgDevice(const SimHidgDevice&) = delete;
    SimHidgDevice& operator=(const SimHidgDevice&) = delete;

    // Opens the gadget node and starts serving; false (reason in *error) when it cannot be
    // opened or the UDC file names no controller.
    bool Start(std::string* error = nullptr);
    void Stop();

private:
    void Serve();
    bool OpenNode();
    void CloseNode();

    OrvaneDevice& m_device;
    std::string m_node;
    std::string m_udcFile;
    std::string m_udcName;  // the controller the gadget was bound to at Start
    std::FILE* m_log;
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

}  // namespace orvane::sim
