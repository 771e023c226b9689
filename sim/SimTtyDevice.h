#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace orvane::sim {

class OrvaneDevice;

// The RS232 face on a terminal that already exists: a host pseudo-terminal that a virtual
// machine's UART is wired to, a USB gadget's serial port (/dev/ttyGS0), or a real port. The
// terminal is put in raw mode; requests are gathered into frames (FrameGatherer) and each reply
// is written after the device's reply delay. When the device hangs up, the face closes the
// terminal and, when given a gadget's UDC file, unbinds that gadget so that the host's port
// goes away as a pulled cable makes it. Start/Stop from one owning thread; events are logged on
// `log` (may be null) as "<ms> ms  <event>".
class SimTtyDevice {
public:
    SimTtyDevice(OrvaneDevice& device, std::string path, std::string udcFile = {},
                 std::FILE* log = nullptr);
    ~SimTtyDevice();  // stops
    SimTtyDevice(const SimTtyDevice&) = delete;
    SimTtyDevice& operator=(const SimTtyDevice&) = delete;

    // Opens the terminal and starts serving; false (reason in *error) when it cannot be opened.
    bool Start(std::string* error = nullptr);
    void Stop();

private:
    void Serve();

    OrvaneDevice& m_device;
    std::string m_path;
    std::string m_udcFile;
    std::FILE* m_log;
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

}  // namespace orvane::sim
