#include "link/LinkProbe.h"

#include <array>
#include <cstring>

#include "link/Crc16.h"
#include "link/HidLink.h"
#include "link/MessageFrame.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/SendGate.h"

namespace {

constexpr uint32_t kProbeBufferSize = 128;
constexpr uint32_t kVersionBufferSize = 512;
constexpr uint32_t kProbeWaitMs = 500;
constexpr uint32_t kVersionWaitMs = 200;
constexpr uint32_t kUsbReplyWindowMs = 5000;

// Sends the 16-byte `request` on the selected link, waits `waitMs`, and reads the reply into
// `reply` (`capacity` bytes, zero-filled by the caller). On USB the device has 5000 ms from the
// end of the wait to start its reply; the first message that arrives ends the wait. Returns false
// when there is no link of that kind or a stop was requested; the reply then does not count.
bool Exchange(const uint8_t* request, uint32_t waitMs, uint8_t* reply, uint32_t capacity) {
    orvane::IClock& clock = orvane::Clock();
    const auto requestSize = static_cast<uint32_t>(frame::kEmptyFrameSize);
    if (g_interfaceKind != 0 && g_interfaceKind != 1) {
        return false;
    }
    // After a stop nothing more goes to the device.
    const bool sent = orvane::SendUnlessStopped([&] {
        if (g_interfaceKind == 0) {
            g_serialLink.Write(request, requestSize);
        } else {
            g_hidLink.WriteMessage(request, requestSize);
        }
    });
    if (!sent || !clock.Sleep(waitMs)) {
        return false;
    }
    if (g_interfaceKind == 0) {
        g_serialLink.Read(reply, capacity);
        return true;
    }
    const uint32_t deadline = clock.TickCount() + kUsbReplyWindowMs;
    uint32_t received = 0;
    for (;;) {
        orvane::PumpEvents();
        g_hidLink.ReadMessage(reply, &received, capacity);
        if (received > 0) {
            return true;
        }
        if (clock.StopRequested()) {
            return false;
        }
        // Compared as a signed distance so that a tick count wrapping past 2^32 keeps the window.
        if (static_cast<int32_t>(clock.TickCount() - deadline) >= 0) {
            return true;
        }
    }
}

}  // namespace

bool ProbeLink() {
    std::array<uint8_t, kProbeBufferSize> request{};
    std::array<uint8_t, kProbeBufferSize> reply{};
    std::memcpy(request.data(), frame::kLinkProbeRequest.data(), frame::kLinkProbeRequest.size());
    if (!Exchange(request.data(), kProbeWaitMs, reply.data(), kProbeBufferSize)) {
        return false;
    }
    return reply[frame::kOffCommand] == frame::kCmdLinkProbe;
}

bool QueryBootloaderVersion(uint8_t* out, uint32_t* outLen, uint32_t outCapacity) {
    std::array<uint8_t, kVersionBufferSize> request{};
    std::array<uint8_t, kVersionBufferSize> reply{};
    std::memcpy(request.data(), frame::kMagic.data(), frame::kMagicSize);
    request[frame::kOffCommand] = frame::kCmdBootloader;
    request[frame::kOffStatus] = frame::kSubVersion;
    request[frame::kOffData] = Crc16High(request.data(), frame::kHeaderSize);
    request[frame::kOffData + 1] = Crc16Low(request.data(), frame::kHeaderSize);
    if (!Exchange(request.data(), kVersionWaitMs, reply.data(), kVersionBufferSize)) {
        return false;
    }
    if (reply[frame::kOffCommand] != frame::kCmdBootloader || reply[frame::kOffStatus] != 0 ||
        outLen == nullptr) {
        return false;
    }
    // Only the low byte of the length field counts; the copy never leaves the caller's buffer.
    uint32_t length = reply[frame::kOffLengthLow];
    if (length > outCapacity) {
        length = outCapacity;
    }
    if (length > 0 && out != nullptr) {
        std::memcpy(out, reply.data() + frame::kOffData, length);
    }
    *outLen = out != nullptr ? length : 0;
    return true;
}
