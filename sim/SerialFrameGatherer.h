#pragma once

#include <cstdint>
#include <vector>

namespace orvane::sim {

// Gathers the bytes a host sends on a serial line into request frames, as the device does:
// bytes before the magic are skipped, a frame is 16 + L bytes with L from its bytes 12-13, a
// frame announced longer than kMaxFrame is skipped byte by byte, and a half-received frame is
// dropped after kReceiveTimeoutMs without a byte. Not thread-safe.
class SerialFrameGatherer {
public:
    static constexpr uint32_t kMaxFrame = 16 + 8192;
    static constexpr uint32_t kReceiveTimeoutMs = 200;

    // Adds `count` bytes that arrived at `nowMs` (any millisecond count that only goes up) and
    // returns the frames they complete, in order.
    std::vector<std::vector<uint8_t>> Feed(const uint8_t* bytes, uint32_t count, uint32_t nowMs);
    void Clear() { m_pending.clear(); }

private:
    std::vector<uint8_t> m_pending;
    uint32_t m_lastByteMs = 0;
};

}  // namespace orvane::sim
