// CSerialLink::Read over a port that answers with arbitrary chunk sequences: the reply must stay
// within the capacity and equal the stream's first chunks.
//
// One open link and port serve every input (the open is the same for all of them and Read keeps
// no state between calls); each input only replays its own chunks, so an input run alone behaves
// as it does in the middle of a campaign.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "link/SerialLink.h"

namespace {

// Input: capacity (2 bytes), then records of [length high, length low, bytes...]; a length of
// 0xFFFF is a failing read. Past the end the line is silent.
class ScriptedPort final : public orvane::ISerialPort {
public:
    void Play(const uint8_t* data, size_t size) {
        m_data = data;
        m_size = size;
        m_pos = 0;
        stream.clear();
    }
    bool Open(const std::string&, const std::string&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int32_t Read(uint8_t* buf, uint32_t max) override {
        if (m_pos + 2 > m_size) {
            return 0;
        }
        const uint32_t len = (uint32_t{m_data[m_pos]} << 8) | m_data[m_pos + 1];
        m_pos += 2;
        if (len == 0xFFFF) {
            return -1;
        }
        uint32_t n = len % (max + 1);
        if (n > m_size - m_pos) {
            n = static_cast<uint32_t>(m_size - m_pos);
        }
        std::memcpy(buf, m_data + m_pos, n);
        m_pos += n;
        stream.insert(stream.end(), buf, buf + n);
        return static_cast<int32_t>(n);
    }
    int32_t Write(const uint8_t*, uint32_t count) override { return static_cast<int32_t>(count); }

    // Every byte handed out since Play, in order.
    std::vector<uint8_t> stream;

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_pos = 0;
};

struct Fixture {
    ScriptedPort* port;
    CSerialLink link;

    Fixture() : Fixture(std::make_unique<ScriptedPort>()) {}
    explicit Fixture(std::unique_ptr<ScriptedPort> owned)
        : port(owned.get()), link(std::move(owned)) {
        if (link.Open("/dev/fuzz/baud=9600") != 1) {
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
    const uint32_t capacity = ((uint32_t{data[0]} << 8) | data[1]) % 2048;
    fixture.port->Play(data + 2, size - 2);
    // Exactly `capacity` bytes (a real buffer even for 0), so ASan sees any write past it.
    const std::unique_ptr<uint8_t[]> buf(new uint8_t[capacity]);
    const int32_t got = fixture.link.Read(buf.get(), capacity);
    if (got > static_cast<int32_t>(capacity)) {
        __builtin_trap();
    }
    if (got > 0) {
        const std::vector<uint8_t>& stream = fixture.port->stream;
        if (stream.size() < static_cast<size_t>(got) ||
            std::memcmp(stream.data(), buf.get(), static_cast<size_t>(got)) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
