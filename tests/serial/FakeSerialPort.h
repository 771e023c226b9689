#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace orvane::test {

// What a scripted port saw and will answer; shared so a test keeps it after handing the port
// to a link.
struct FakePortState {
    bool openResult = true;
    std::vector<std::string> opened;  // "device|mode" per Open call
    int closeCalls = 0;
    bool isOpen = false;
    // One entry per platform read, in order; a read past the end returns 0 (silence).
    std::deque<std::vector<uint8_t>> chunks;
    std::deque<bool> failures;  // parallel to chunks: true makes that read return -1
    int reads = 0;
    std::vector<uint8_t> written;
    int32_t writeResult = -2;  // -2: report the full count

    void AddChunk(std::vector<uint8_t> bytes) {
        chunks.push_back(std::move(bytes));
        failures.push_back(false);
    }
    void AddFailure() {
        chunks.emplace_back();
        failures.push_back(true);
    }
};

class FakeSerialPort final : public ISerialPort {
public:
    explicit FakeSerialPort(std::shared_ptr<FakePortState> state) : m_state(std::move(state)) {}

    bool Open(const std::string& device, const std::string& modeText) override {
        m_state->opened.push_back(device + "|" + modeText);
        m_state->isOpen = m_state->openResult;
        return m_state->openResult;
    }
    void Close() override {
        ++m_state->closeCalls;
        m_state->isOpen = false;
    }
    bool IsOpen() const override { return m_state->isOpen; }
    int32_t Read(uint8_t* buf, uint32_t max) override {
        ++m_state->reads;
        if (m_state->chunks.empty()) {
            return 0;
        }
        std::vector<uint8_t> chunk = std::move(m_state->chunks.front());
        const bool fail = m_state->failures.front();
        m_state->chunks.pop_front();
        m_state->failures.pop_front();
        if (fail) {
            return -1;
        }
        // A real port never returns more than asked; a scripted chunk larger than `max` is a
        // test error, so it is cut rather than overflowing `buf`.
        const size_t n = chunk.size() < max ? chunk.size() : max;
        std::memcpy(buf, chunk.data(), n);
        return static_cast<int32_t>(n);
    }
    int32_t Write(const uint8_t* buf, uint32_t count) override {
        m_state->written.insert(m_state->written.end(), buf, buf + count);
        return m_state->writeResult == -2 ? static_cast<int32_t>(count) : m_state->writeResult;
    }

private:
    std::shared_ptr<FakePortState> m_state;
};

inline std::vector<uint8_t> Bytes(size_t n, uint8_t first = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(first + i);
    }
    return v;
}

}  // namespace orvane::test
