#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace orvane::sim {

class OrvaneDevice;

// The RS232 face where there is no pseudo-terminal (Windows): serves the device under a port
// name that the system serial back end opens in process (platform/InProcessSerial.h), one
// SimSerialPort per open. The same calls as the pseudo-terminal face (SimSerialDevice), so that
// Simulation takes either. Start/Stop/HangUp from one owning thread.
class SimInProcessSerial {
public:
    // The first face's name; each further face running at the same time takes the next free
    // one, "sim:COM2" up to "sim:COM64".
    static constexpr const char* kPortName = "sim:COM1";
    static constexpr int kMaxFaces = 64;

    explicit SimInProcessSerial(OrvaneDevice& device);
    ~SimInProcessSerial();  // stops
    SimInProcessSerial(const SimInProcessSerial&) = delete;
    SimInProcessSerial& operator=(const SimInProcessSerial&) = delete;

    // Registers the first free port name. False (reason in *error) when it already runs or
    // every name is taken.
    bool Start(std::string* error = nullptr);
    // Withdraws the port name; ports already open fail from then on. Harmless when stopped.
    void Stop();
    // The device hangs up for good: open ports fail, new opens are refused.
    void HangUp();
    bool Running() const { return m_running; }

    // The registered name while running, empty otherwise.
    const std::string& SlavePath() const { return m_path; }

private:
    OrvaneDevice& m_device;
    bool m_running = false;
    std::string m_path;
    // Shared with the ports made while running; false once stopped.
    std::shared_ptr<std::atomic<bool>> m_served;
};

}  // namespace orvane::sim
