#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::sim {

// Gathers the bytes of a serial line into request frames (16 + L bytes, L from bytes 12-13),
// as the device's receiver does: bytes before the magic are skipped, an announced frame longer
// than kMaxFrame is not one of ours and is skipped byte by byte, and a half-received frame is
// dropped after 200 ms of silence. Not thread-safe.
class FrameGatherer {
public:
    static constexpr uint32_t kMaxFrame = 16 + 8192;

    // Takes `n` bytes that arrived at `now` and returns the whole frames they complete, in order.
    std::vector<std::vector<uint8_t>> Take(const uint8_t* bytes, std::size_t n,
                                           std::chrono::steady_clock::time_point now);

private:
    std::vector<uint8_t> m_pending;
    std::chrono::steady_clock::time_point m_lastByte{};
};

}  // namespace orvane::sim
