#pragma once

#include <cstdint>
#include <vector>

#include "link/Crc16.h"

namespace orvane::sim::test {

// True when `frame` is a whole sealed frame: its length field matches its size and its last two
// bytes are the CRC-16 of the bytes before them.
inline bool IsSealedFrame(const std::vector<uint8_t>& frame) {
    if (frame.size() < 16) {
        return false;
    }
    const std::size_t expected = 16U + (std::size_t{frame[12]} << 8) + frame[13];
    const auto body = static_cast<uint32_t>(frame.size() - 2);
    return frame.size() == expected && frame[body] == Crc16High(frame.data(), body) &&
           frame[body + 1] == Crc16Low(frame.data(), body);
}

}  // namespace orvane::sim::test
