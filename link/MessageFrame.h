#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The device's message frame: magic "Zenthral2" + NUL, command, sub-command (request) or
// status (reply, 0 = success), big-endian data length L, L data bytes, CRC-16 high byte first.
namespace frame {

constexpr std::size_t kMagicSize = 10;
constexpr std::size_t kHeaderSize = 14;  // magic, command, sub/status, length
constexpr std::size_t kOffCommand = 10;
constexpr std::size_t kOffStatus = 11;  // the sub-command in a request
constexpr std::size_t kOffLengthHigh = 12;
constexpr std::size_t kOffLengthLow = 13;
constexpr std::size_t kOffData = 14;
constexpr std::size_t kEmptyFrameSize = 16;  // header + CRC, L = 0

constexpr std::array<uint8_t, kMagicSize> kMagic = {'Z', 'e', 'n', 't', 'h', 'r', 'a', 'l', '2', 0};

constexpr uint8_t kCmdLinkProbe = 0x18;
constexpr uint8_t kSubLinkProbe = 0x01;
constexpr uint8_t kCmdBootloader = 0xC7;
constexpr uint8_t kSubVersion = 0x10;
constexpr uint8_t kSubPoll = 0x11;
constexpr uint8_t kSubErase = 0x12;    // script: 2000 ms more before the reply
constexpr uint8_t kSubRestart = 0x15;  // script: device restarts (RS232 2000 ms, USB reopen)
constexpr uint8_t kSubFinish = 0x16;   // script: 4000 ms more; reply not required from frame 4

// Total size 16 + L of a frame whose first 14 bytes are at `header`.
constexpr uint32_t TotalSize(const uint8_t* header) {
    return 16U + (static_cast<uint32_t>(header[kOffLengthHigh]) << 8) + header[kOffLengthLow];
}

// The constant requests, CRC included.
constexpr std::array<uint8_t, 16> kLinkProbeRequest = {
    'Z', 'e', 'n', 't', 'h', 'r', 'a', 'l', '2', 0, 0x18, 0x01, 0x00, 0x00, 0x6D, 0x3C};
constexpr std::array<uint8_t, 16> kPollRequest = {'Z', 'e', 'n',  't',  'h',  'r',  'a',  'l',
                                                  '2', 0,   0xC7, 0x11, 0x00, 0x00, 0x52, 0xB2};

}  // namespace frame
