#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0 selects the RS232 link (g_serialLink), 1 the USB link (g_hidLink). Written by Load before
// each probe; read by the probe, the version query and the worker for every script frame.
extern int g_interfaceKind;

// Sends the link probe (0x18/0x01) on the selected link and reports whether the device answered
// (reply byte 10 is 0x18; the status is not looked at). RS232: 500 ms after the write, then one
// read. USB: 500 ms after the write, then reads until a message arrives or 5000 ms have passed,
// pumping the caller's events once per turn; while the link is closed or its reads fail at once,
// each turn waits 20 ms on the clock instead of spinning. False at once on a stop request.
bool ProbeLink();

namespace orvane {
// What came back to an exchange, for diagnostics.
struct ReplySeen {
    int32_t bytes = 0;    // bytes the reply read brought: 0 nothing, -1 the read failed
    uint8_t command = 0;  // reply byte 10 (0 when nothing came)
    uint8_t status = 0;   // reply byte 11
};
}  // namespace orvane

// Asks the bootloader for its version text (0xC7/0x10) on the selected link. On success (reply
// byte 10 is 0xC7, byte 11 is 0) copies min(reply byte 13, outCapacity) text bytes to `out`,
// stores that count in *outLen and returns true; otherwise touches neither and returns false.
// `seen`, when given, receives what came back, whatever the result.
bool QueryBootloaderVersion(uint8_t* out, uint32_t* outLen, uint32_t outCapacity,
                            orvane::ReplySeen* seen = nullptr);

namespace orvane {

class IHidBackend;

enum class LinkKind { Rs232, Usb };

// Why a serial port or the USB device did not become the link.
enum class LinkFault {
    NotFound,          // RS232: no such port; USB: no present HID device with both ids
    PermissionDenied,  // present, but this user may not open it (serial: the dialout group;
                       // HID: the udev rule)
    Busy,              // held by another program
    OpenFailed,        // present, but it would not open or take the line settings
    NoAnswer,          // opened, but the link probe got no answer
};

// "not found", "permission denied", "busy", "open failed", "opened but no answer".
const char* LinkFaultText(LinkFault fault);

// One attempt of Load's search: a serial port of the scan, or one USB probe.
struct LinkAttempt {
    LinkKind kind = LinkKind::Rs232;
    std::string port;  // RS232: the device name; USB: the HID path opened (empty: none)
    uint32_t vid = 0;  // USB: the ids looked for
    uint32_t pid = 0;
    std::size_t index = 0;  // 0-based: RS232 the port's place in the scan, USB the probe (0, 1)
    std::size_t count = 0;  // RS232: the ports the scan tries (at most 40); USB: 2
    int systemError = 0;    // errno (GetLastError on Windows) of a failed open; 0 when none
};

// Told what Load's search does, beside the log and never in it. Called on the thread that runs
// the search (ScanSerialPorts, OpenAndProbeUsb), between its steps, never while a link
// operation is under way; a handler must return quickly and must not use the links. The
// defaults do nothing.
class ILinkObserver {
public:
    virtual ~ILinkObserver() = default;
    // An attempt begins: RS232 before the port is opened, USB before each probe is sent.
    virtual void OnLinkTrying(const LinkAttempt& attempt);
    // The attempt did not give a link, for `fault`. RS232: once per port. USB: once after the
    // open when it found no usable device (NotFound, PermissionDenied, OpenFailed; the probes
    // still run, as Load's steps say); when the open succeeded, once per probe that got no
    // answer (NoAnswer).
    virtual void OnLinkFailed(const LinkAttempt& attempt, LinkFault fault);
    // The device answered the probe; the link stays open on attempt.port.
    virtual void OnLinkAnswered(const LinkAttempt& attempt);
};

// How Load's search ended.
enum class SearchResult {
    Answered,  // a device answered; the link is open on it
    NoAnswer,  // nothing answered: the outcome line is the "... fail." one
    Stopped,   // a stop request on the process clock ended the search: no outcome line
};

// Load's USB step, for a caller that has set g_interfaceKind to 1: opens g_hidLink with `vid`
// and `pid` (its result does not decide) and runs ProbeLink, a second time when the first got no
// answer. A stop request on orvane::Clock() ends it at once: no further probe, Stopped.
// `backend` is the back end g_hidLink uses (nullptr: the platform's); it is only enumerated to
// tell the observer why an open found no device. Runs on the calling thread for up to 11 s.
SearchResult OpenAndProbeUsb(uint32_t vid, uint32_t pid, ILinkObserver* observer = nullptr,
                             IHidBackend* backend = nullptr);

}  // namespace orvane
