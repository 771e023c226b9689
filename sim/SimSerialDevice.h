#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace orvane::sim {

class OrvaneDevice;

// The RS232 face: a pseudo-terminal whose slave side the links open like a serial port. The
// master end is in raw mode; the slave end stays open here as well, so the port never hangs up
// between two opens by a link. A thread gathers request bytes into frames (16 + L bytes, taking
// L from bytes 12-13; bytes before the magic are skipped) and writes each reply after the
// device's reply delay. Start/Stop/HangUp from one owning thread.
class SimSerialDevice {
public:
    explicit SimSerialDevice(OrvaneDevice& device);
    ~SimSerialDevice();  // stops
    SimSerialDevice(const SimSerialDevice&) = delete;
    SimSerialDevice& operator=(const SimSerialDevice&) = delete;

    // Creates the pseudo-terminal and starts the serving thread. False (reason in *error) when
    // the pseudo-terminal cannot be had or it already runs.
    bool Start(std::string* error = nullptr);
    // Ends the serving thread and closes both ends; harmless when not running.
    void Stop();
    // Closes the master end: the slave side reads end of file / errors from now on.
    void HangUp();
    bool Running() const { return m_thread.joinable(); }

    // "/dev/pts/N", valid after a successful Start.
    const std::string& SlavePath() const { return m_slavePath; }

    // Longest request the face gathers; a longer announced frame is skipped byte by byte.
    static constexpr uint32_t kMaxFrame = 16 + 8192;

private:
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        std::vector<uint8_t> bytes;
    };

    void Serve();
    // Hands every whole frame in `pending` to the device and queues its reply.
    void HandleBufferInto(std::vector<uint8_t>& pending, std::vector<Outgoing>& outgoing);
    void WriteAll(const std::vector<uint8_t>& bytes);
    void CloseMaster();

    OrvaneDevice& m_device;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_master{-1};
    int m_slave = -1;
    int m_wakePipe[2] = {-1, -1};
    std::string m_slavePath;
};

}  // namespace orvane::sim
