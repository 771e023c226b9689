#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orvane::sim {

// How the simulated device behaves. Script frames are every request other than the link probe
// (0x18/0x01), the version query (0xC7/0x10) and the bootloader poll (0xC7/0x11); they are
// numbered from 1, and a link probe starts the numbering again (every download begins with one).
// A frame number of 0 in a fault switch means "no such fault".
struct DeviceConfig {
    std::string version = "SIM-2";  // data of the version reply (at most 255 bytes are sent)
    uint32_t replyDelayMs = 0;      // every reply leaves this long after its request arrived
    uint32_t restartMs = 100;       // time off the bus for each restart
    bool silent = false;            // answers nothing at all
    uint32_t failFrame = 0;         // this script frame is answered with status 1
    uint32_t silentFrame = 0;       // this script frame is not answered
    uint32_t garbageFrame = 0;      // this script frame is answered with random bytes
    uint32_t badCrcFrame = 0;       // this script frame's reply carries a wrong CRC
    uint32_t hangUpFrame = 0;       // on this script frame the device hangs up for good
    uint16_t vendorId = 0x0ACD;     // USB face
    uint16_t productId = 0x3710;
    uint32_t seed = 1;  // random garbage is reproducible
};

// One request as the device received it.
struct ReceivedFrame {
    uint32_t atMs = 0;  // ms since the device was made, on orvane::Clock()
    std::vector<uint8_t> bytes;
    bool answered = false;  // a reply was produced (a face may still lose it)
};

// The device side of the protocol, free of any transport. Thread-safe: every member may be
// called from any thread.
//
// Replies: link probe -> 0x18 status 0; version query -> 0xC7 status 0 with the version text as
// data; bootloader poll -> 0xC7 status 0, but only once the device is in its bootloader (after
// the restart that script frame 1 causes; a poll before that or during a restart goes
// unanswered); any other frame, known or not -> 0xC7 status 0 without data. Every reply is a
// real frame with its CRC-16. A request is taken whole: the caller hands over exactly one frame
// (16 + L bytes as its length field says); anything shorter than 16 bytes is recorded and left
// unanswered.
//
// Restarts: script frame 1 restarts the device into its bootloader, 0xC7/0x15 restarts it in
// place and 0xC7/0x16 restarts it into the application. The device is then off the bus for
// `restartMs` and hears nothing meanwhile. Each time it leaves, the bus generation goes up, so
// handles opened before stay dead (like a removed USB device). The reply to a restart frame is
// made before the device leaves: a serial line carries it at once, while over USB it waits in
// the device and goes out on the new connection once the device is back (see Respond).
class OrvaneDevice {
public:
    explicit OrvaneDevice(DeviceConfig config = {});

    // A reply with the bus it belongs to, for a face whose connections end with a restart.
    struct Reply {
        std::vector<uint8_t> bytes;
        uint64_t generation = 0;  // bus generation whose connections may read it
        uint32_t dueMs = 0;       // device time (NowMs) from which it may be read
        bool held = false;        // a restart frame's reply, kept across the restart
    };

    // Handles one request frame; returns the reply frame, or nothing when the device stays
    // silent. The reply is due ReplyDelayMs() after now.
    std::optional<std::vector<uint8_t>> Handle(const uint8_t* request, std::size_t count);
    // Handles one request frame like Handle. A reply to an ordinary request belongs to the
    // current bus generation and is due ReplyDelayMs() after now; the reply to a restart frame
    // is held for the generation the restart begins and is due once the device is back on the
    // bus (or later, by the reply delay).
    std::optional<Reply> Respond(const uint8_t* request, std::size_t count);

    // Replaces the configuration (fault switches take effect with the next request).
    void Configure(const DeviceConfig& config);
    DeviceConfig Config() const;
    uint32_t ReplyDelayMs() const;

    // True while the device is present: not hung up and not in a restart.
    bool OnBus() const;
    // Goes up by one each time the device leaves the bus (restart or hang-up).
    uint64_t BusGeneration() const;
    // Hangs up for good: leaves the bus and answers nothing from now on.
    void HangUp();
    bool HungUp() const;
    bool InBootloader() const;

    // Milliseconds since the device was made, on orvane::Clock().
    uint32_t NowMs() const;
    // Every request so far, in order of arrival.
    std::vector<ReceivedFrame> Received() const;
    void ClearReceived();

    // Builds a sealed frame: magic, `command`, `status` (the sub-command in a request), the
    // big-endian length of `data`, `data`, CRC-16 high byte first. `data` may hold 65535 bytes
    // at most (longer input is cut).
    static std::vector<uint8_t> MakeFrame(uint8_t command, uint8_t status,
                                          const std::vector<uint8_t>& data = {});

private:
    enum class Mode { kApplication, kBootloader };

    void LeaveBusLocked(uint32_t now);
    bool OnBusLocked(uint32_t now) const;

    mutable std::mutex m_mutex;
    DeviceConfig m_config;
    uint32_t m_startTick = 0;
    Mode m_mode = Mode::kApplication;
    uint32_t m_scriptFrames = 0;  // script frames since the last link probe
    uint32_t m_offBusUntil = 0;   // ms since start; on the bus from then on
    bool m_offBus = false;
    bool m_hungUp = false;
    uint64_t m_generation = 0;
    std::vector<ReceivedFrame> m_received;
    std::mt19937 m_random;
};

}  // namespace orvane::sim
