// Feeds arbitrary report sequences to CHidLink::ReadMessage through a device that plays them.
//
// Input: two bytes of destination capacity (big-endian, 0 to 65535, cut to 1100), then events:
// a tag byte (0-1: a silent read, 2: a failed read, otherwise a report) and, for a report, the
// next 64 bytes (a short tail is zero-filled). ReadMessage runs until the events are used up;
// the destination is exactly `capacity` bytes long, so ASan sees any write past it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "link/HidLink.h"
#include "platform/VirtualClock.h"

namespace {

class PlayedDevice final : public orvane::IHidDevice {
public:
    explicit PlayedDevice(orvane::VirtualClock& clock) : m_clock(clock) {}

    void Play(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
        m_pos = 0;
    }

    bool Done() const { return m_pos >= m_size; }

    int Write(const uint8_t*, size_t len) override { return static_cast<int>(len); }

    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        if (Done()) {
            m_clock.Advance(static_cast<uint64_t>(timeoutMs));
            return 0;
        }
        const uint8_t tag = m_data[m_pos++];
        if (tag < 2) {
            m_clock.Advance(static_cast<uint64_t>(timeoutMs));
            return 0;
        }
        if (tag == 2) {
            return -1;
        }
        uint8_t image[64] = {};
        const size_t n = std::min<size_t>(64, m_size - m_pos);
        std::memcpy(image, m_data + m_pos, n);
        m_pos += n;
        const size_t copied = std::min<size_t>(len, sizeof(image));
        std::memcpy(report, image, copied);
        return static_cast<int>(copied);
    }

    uint32_t InputReportLength() const override { return 64; }
    uint32_t OutputReportLength() const override { return 64; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_pos = 0;
    orvane::VirtualClock& m_clock;
};

class OneDeviceBackend final : public orvane::IHidBackend {
public:
    std::unique_ptr<orvane::IHidDevice> next;

    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        return {{"/dev/hidraw0", 0x0ACD, 0x3710, ""}};
    }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override {
        return std::move(next);
    }
};

// One clock, back end and open link serve every input: the open is the same for all of them
// and ReadMessage keeps nothing between calls but the device, which each input replays afresh.
// The link measures waits only as differences on the clock, so its running time does not make
// an input behave differently alone than in the middle of a campaign.
struct Fixture {
    orvane::VirtualClock clock;
    OneDeviceBackend backend;
    PlayedDevice* played = nullptr;
    CHidLink link{&backend};

    Fixture() {
        orvane::SetClock(&clock);
        auto device = std::make_unique<PlayedDevice>(clock);
        played = device.get();
        backend.next = std::move(device);
        if (link.Open(0x0ACD, 0x3710) != 1) {
            __builtin_trap();
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    static Fixture fixture;
    const uint32_t capacity = std::min<uint32_t>((uint32_t{data[0]} << 8) | data[1], 1100);
    fixture.played->Play(data + 2, size - 2);

    // A real buffer even for 0 bytes.
    const std::unique_ptr<uint8_t[]> dest(new uint8_t[capacity]);
    do {
        uint32_t count = 0xFFFFFFFF;
        const uint32_t result = fixture.link.ReadMessage(dest.get(), &count, capacity);
        if (result != count || count > capacity || count > CHidLink::kMessageMax) {
            __builtin_trap();
        }
    } while (!fixture.played->Done());
    return 0;
}
