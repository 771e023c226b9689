#include "link/LinkProbe.h"

#include <array>
#include <cstring>

#include "link/Crc16.h"
#include "link/HidLink.h"
#include "link/MessageFrame.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/HidAccess.h"
#include "platform/HidBackend.h"
#include "platform/SendGate.h"

namespace {

constexpr uint32_t kProbeBufferSize = 128;
constexpr uint32_t kVersionBufferSize = 512;
constexpr uint32_t kProbeWaitMs = 500;
constexpr uint32_t kVersionWaitMs = 200;
constexpr uint32_t kUsbReplyWindowMs = 5000;
// A turn of the USB wait that took less than this (a closed link, a read that failed at once)
// is padded to it on the clock, so that the wait sleeps instead of spinning.
constexpr uint32_t kUsbIdleTurnMs = CHidLink::kReadSliceMs;

// Sends the 16-byte `request` on the selected link, waits `waitMs`, and reads the reply into
// `reply` (`capacity` bytes, zero-filled by the caller). On USB the device has 5000 ms from the
// end of the wait to start its reply; the first message that arrives ends the wait. Returns false
// when there is no link of that kind or a stop was requested; the reply then does not count.
bool Exchange(const uint8_t* request, uint32_t waitMs, uint8_t* reply, uint32_t capacity,
              int32_t* got) {
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
        *got = g_serialLink.Read(reply, capacity);
        return true;
    }
    const uint32_t deadline = clock.TickCount() + kUsbReplyWindowMs;
    uint32_t received = 0;
    for (;;) {
        const uint32_t turnStart = clock.TickCount();
        orvane::PumpEvents();
        g_hidLink.ReadMessage(reply, &received, capacity);
        if (received > 0) {
            *got = static_cast<int32_t>(received);
            return true;
        }
        if (clock.StopRequested()) {
            return false;
        }
        // Compared as a signed distance so that a tick count wrapping past 2^32 keeps the window.
        const uint32_t now = clock.TickCount();
        if (static_cast<int32_t>(now - deadline) >= 0) {
            return true;
        }
        const uint32_t spent = now - turnStart;
        if (spent < kUsbIdleTurnMs && !clock.Sleep(kUsbIdleTurnMs - spent)) {
            return false;
        }
    }
}

}  // namespace

bool ProbeLink() {
    std::array<uint8_t, kProbeBufferSize> request{};
    std::array<uint8_t, kProbeBufferSize> reply{};
    std::memcpy(request.data(), frame::kLinkProbeRequest.data(), frame::kLinkProbeRequest.size());
    int32_t got = 0;
    if (!Exchange(request.data(), kProbeWaitMs, reply.data(), kProbeBufferSize, &got)) {
        return false;
    }
    return reply[frame::kOffCommand] == frame::kCmdLinkProbe;
}

bool QueryBootloaderVersion(uint8_t* out, uint32_t* outLen, uint32_t outCapacity,
                            orvane::ReplySeen* seen) {
    std::array<uint8_t, kVersionBufferSize> request{};
    std::array<uint8_t, kVersionBufferSize> reply{};
    std::memcpy(request.data(), frame::kMagic.data(), frame::kMagicSize);
    request[frame::kOffCommand] = frame::kCmdBootloader;
    request[frame::kOffStatus] = frame::kSubVersion;
    request[frame::kOffData] = Crc16High(request.data(), frame::kHeaderSize);
    request[frame::kOffData + 1] = Crc16Low(request.data(), frame::kHeaderSize);
    int32_t got = 0;
    const bool exchanged =
        Exchange(request.data(), kVersionWaitMs, reply.data(), kVersionBufferSize, &got);
    if (seen != nullptr) {
        *seen = orvane::ReplySeen{got, reply[frame::kOffCommand], reply[frame::kOffStatus]};
    }
    if (!exchanged) {
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

namespace orvane {

void ILinkObserver::OnLinkTrying(const LinkAttempt& /*attempt*/) {}
void ILinkObserver::OnLinkFailed(const LinkAttempt& /*attempt*/, LinkFault /*fault*/) {}
void ILinkObserver::OnLinkAnswered(const LinkAttempt& /*attempt*/) {}

const char* LinkFaultText(LinkFault fault) {
    switch (fault) {
        case LinkFault::NotFound:
            return "not found";
        case LinkFault::PermissionDenied:
            return "permission denied";
        case LinkFault::Busy:
            return "busy";
        case LinkFault::OpenFailed:
            return "open failed";
        case LinkFault::NoAnswer:
            return "opened but no answer";
    }
    return "open failed";
}

namespace {

// Why CHidLink::Open found no usable device with the ids; names its path in `path` when one is
// present.
LinkFault WhyNoHidDevice(uint32_t vid, uint32_t pid, IHidBackend* backend, std::string& path) {
    IHidBackend& hid = backend != nullptr ? *backend : SystemHidBackend();
    for (const HidDeviceInfo& info : hid.Enumerate()) {
        if (info.vendorId == vid && info.productId == pid) {
            path = info.path;
            return HidPathAccessible(info.path) ? LinkFault::OpenFailed
                                                : LinkFault::PermissionDenied;
        }
    }
    return LinkFault::NotFound;
}

}  // namespace

SearchResult OpenAndProbeUsb(uint32_t vid, uint32_t pid, ILinkObserver* observer,
                             IHidBackend* backend) {
    ILinkObserver quiet;
    ILinkObserver& tell = observer != nullptr ? *observer : quiet;
    IClock& clock = Clock();
    if (clock.StopRequested()) {
        return SearchResult::Stopped;
    }
    LinkAttempt attempt;
    attempt.kind = LinkKind::Usb;
    attempt.vid = vid;
    attempt.pid = pid;
    attempt.count = 2;
    const bool opened = g_hidLink.Open(vid, pid) == 1;
    if (opened) {
        attempt.port = g_hidLink.DevicePath();
    } else {
        tell.OnLinkFailed(attempt, WhyNoHidDevice(vid, pid, backend, attempt.port));
    }
    for (std::size_t probe = 0; probe < attempt.count; ++probe) {
        if (clock.StopRequested()) {
            return SearchResult::Stopped;
        }
        attempt.index = probe;
        tell.OnLinkTrying(attempt);
        const bool answered = ProbeLink();
        if (clock.StopRequested()) {
            return SearchResult::Stopped;
        }
        if (answered) {
            tell.OnLinkAnswered(attempt);
            return SearchResult::Answered;
        }
        if (opened) {
            tell.OnLinkFailed(attempt, LinkFault::NoAnswer);
        }
    }
    return SearchResult::NoAnswer;
}

}  // namespace orvane
