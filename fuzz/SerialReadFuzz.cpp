// CSerialLink::Read over a port that answers with arbitrary chunk sequences: the reply must stay
// within the capacity and equal the stream's first chunks.
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
    ScriptedPort(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
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
        chunks.emplace_back(buf, buf + n);
        return static_cast<int32_t>(n);
    }
    int32_t Write(const uint8_t*, uint32_t count) override { return static_cast<int32_t>(count); }

    std::vector<std::vector<uint8_t>> chunks;

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint32_t capacity = ((uint32_t{data[0]} << 8) | data[1]) % 2048;
    auto owned = std::make_unique<ScriptedPort>(data + 2, size - 2);
    ScriptedPort* port = owned.get();
    CSerialLink link(std::move(owned));
    if (link.Open("/dev/fuzz/baud=9600") != 1) {
        __builtin_trap();
    }
    // Exactly `capacity` bytes, so ASan sees any write past it.
    std::vector<uint8_t> buf(capacity);
    const int32_t got = link.Read(buf.data(), capacity);
    if (got > static_cast<int32_t>(capacity)) {
        __builtin_trap();
    }
    if (got > 0) {
        std::vector<uint8_t> stream;
        for (const auto& chunk : port->chunks) {
            stream.insert(stream.end(), chunk.begin(), chunk.end());
        }
        if (stream.size() < static_cast<size_t>(got) ||
            std::memcmp(stream.data(), buf.data(), static_cast<size_t>(got)) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
