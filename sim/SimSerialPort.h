#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "sim/SerialFrameGatherer.h"

namespace orvane::sim {

class OrvaneDevice;

// The RS232 face inside the process: an ISerialPort whose far end is the device model, for
// platforms without pseudo-terminals. Open takes any device name and refuses a mode text the
// real back ends refuse. Write hands each whole request frame to the device at once; its reply
// becomes readable the device's reply delay later. Read keeps the driver's time-outs: it
// returns when `max` bytes are in, 50 ms after the last byte, or 200 ms after it began. Waits
// run on orvane::Clock() (a VirtualClock is moved on without recording a wait); a stop request
// fails a read (-1). Once the device hangs up, or `served` turns false (the face stopped; the
// device is not touched again), every call fails like a port that vanished.
// Not thread-safe, like every ISerialPort.
class SimSerialPort final : public ISerialPort {
public:
    static constexpr uint32_t kIntervalMs = 50;
    static constexpr uint32_t kTotalMs = 200;

    explicit SimSerialPort(OrvaneDevice& device,
                           std::shared_ptr<const std::atomic<bool>> served = nullptr);

    bool Open(const std::string& device, const std::string& modeText) override;
    void Close() override;
    bool IsOpen() const override { return m_open; }
    int32_t Read(uint8_t* buf, uint32_t max) override;
    int32_t Write(const uint8_t* buf, uint32_t count) override;

private:
    struct Reply {
        uint32_t dueMs = 0;
        std::vector<uint8_t> bytes;
        std::size_t taken = 0;
    };

    // Ms until the next reply is due (0 when one is), or `cap` when none is queued.
    uint32_t MsUntilDue(uint32_t nowMs, uint32_t cap) const;
    uint32_t Take(uint8_t* buf, uint32_t max, uint32_t nowMs);
    bool Gone() const;

    OrvaneDevice& m_device;
    std::shared_ptr<const std::atomic<bool>> m_served;
    bool m_open = false;
    SerialFrameGatherer m_gatherer;
    std::deque<Reply> m_replies;
};

}  // namespace orvane::sim
