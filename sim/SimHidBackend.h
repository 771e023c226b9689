#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace orvane::sim {

class OrvaneDevice;

// The USB face: an in-process HID back end with one virtual device ("sim:hidraw0", the ids of
// the device's configuration, 64-byte reports whose byte 0 is the position code), or with
// several. Device k (from 0) of several has the serial number "SIM" and k + 1 in four digits
// and the port path "sim-1.<k + 1>"; like a real device it comes back from each restart under a
// new HID path ("sim:hidraw<k + n * generation>" for n devices) at the same port path. The one
// device of the single-device face keeps "sim:hidraw0" throughout. Host reports
// are joined by position code into a request frame and handed to the device; its reply is cut
// into reports as the link's WriteMessage cuts a message (1 only / 2 first / 3 middle / 4 last,
// 63 payload bytes, a last report keeps the tail bytes of the one before).
//
// While the device is off the bus, Enumerate finds nothing and every handle opened before fails
// (-1) for good, like a removed device; replies still queued when the device leaves are lost.
// The reply to a restart frame itself waits in the device: a handle opened after the device is
// back reads it, until the next request the device hears replaces it.
// Read waits in real time (condition variable), except when a VirtualClock is installed as
// orvane::Clock(): it then moves that clock on by the time it would have waited and returns at
// once. Thread-safe: the handles may be used from any thread.
class SimHidBackend final : public IHidBackend {
public:
    static constexpr uint32_t kReportSize = 64;
    static constexpr const char* kPath = "sim:hidraw0";

    explicit SimHidBackend(OrvaneDevice& device);
    // Several devices, in enumeration order; the caller keeps them alive.
    explicit SimHidBackend(const std::vector<OrvaneDevice*>& devices);
    ~SimHidBackend() override;

    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<IHidDevice> OpenPath(const std::string& path) override;

    // Cuts `message` into reports by the link's WriteMessage rules (exposed for tests).
    static std::vector<std::vector<uint8_t>> CutIntoReports(const std::vector<uint8_t>& message);

private:
    friend class SimHidHandle;
    struct Queued {
        std::vector<uint8_t> report;
        uint32_t dueMs = 0;       // device time at which the host may read it
        uint64_t generation = 0;  // bus generation whose handles may read it
        bool held = false;        // a restart frame's reply; the next request drops it
    };

    // One device and what its USB connection holds.
    struct Face {
        OrvaneDevice* device = nullptr;
        std::deque<Queued> queue;
        std::vector<uint8_t> request;  // request being joined from host reports
        uint32_t requestReports = 0;
        uint64_t requestGeneration = 0;  // bus generation the joined request began in
    };

    std::string PathOf(std::size_t index, uint64_t generation) const;
    int WriteReport(std::size_t index, uint64_t generation, const uint8_t* report, std::size_t len);
    int ReadReport(std::size_t index, uint64_t generation, uint8_t* report, std::size_t len,
                   int timeoutMs);
    bool Alive(std::size_t index, uint64_t generation) const;

    bool m_renumber = false;  // a new HID path after each restart
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Face> m_faces;
};

}  // namespace orvane::sim
