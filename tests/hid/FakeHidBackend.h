#pragma once

// An in-process IHidBackend for the link's tests: devices with scripted input reports, recorded
// output reports and virtual time. A silent read moves the installed VirtualClock on by the
// wait it was given, as a real read would spend it.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "platform/VirtualClock.h"

namespace hidtest {

using Report = std::array<uint8_t, 64>;

// A report with `code` in byte 0 and `payload` from byte 1 on (cut at 63 bytes).
inline Report MakeReport(uint8_t code, const std::vector<uint8_t>& payload = {}) {
    Report r{};
    r[0] = code;
    for (size_t i = 0; i < payload.size() && i < 63; ++i) {
        r[i + 1] = payload[i];
    }
    return r;
}

// What a device does on its side; shared by every handle opened on it.
struct FakeDeviceState {
    orvane::VirtualClock* clock = nullptr;  // advanced by silent reads when set
    // Input, in order: a report, or a failed read (-1) when `fail` is set.
    struct Input {
        Report report{};
        bool fail = false;
    };
    std::deque<Input> inputs;
    bool gone = false;            // every read and write fails (-1) at once
    std::vector<Report> written;  // reports the device took
    int writeCalls = 0;
    std::deque<int> writeResults;              // results of the next writes; 64 once empty
    std::vector<int> readTimeouts;             // the wait each Read was given
    std::function<void(size_t)> onSilentRead;  // called with the count of silent reads so far
    size_t silentReads = 0;
    uint32_t inputLength = 64;
    uint32_t outputLength = 64;
    int openHandles = 0;

    void Queue(const Report& r) { inputs.push_back({r, false}); }
    void QueueFailure() { inputs.push_back({Report{}, true}); }
};

class FakeHidDevice final : public orvane::IHidDevice {
public:
    explicit FakeHidDevice(std::shared_ptr<FakeDeviceState> state) : m_state(std::move(state)) {
        ++m_state->openHandles;
    }
    ~FakeHidDevice() override { --m_state->openHandles; }

    int Write(const uint8_t* report, size_t len) override {
        ++m_state->writeCalls;
        if (m_state->gone) {
            return -1;
        }
        Report r{};
        for (size_t i = 0; i < len && i < r.size(); ++i) {
            r[i] = report[i];
        }
        int result = static_cast<int>(len);
        if (!m_state->writeResults.empty()) {
            result = m_state->writeResults.front();
            m_state->writeResults.pop_front();
        }
        if (result > 0) {
            m_state->written.push_back(r);
        }
        return result;
    }

    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        m_state->readTimeouts.push_back(timeoutMs);
        if (m_state->gone) {
            return -1;
        }
        if (m_state->inputs.empty()) {
            if (m_state->clock != nullptr) {
                m_state->clock->Advance(static_cast<uint64_t>(timeoutMs));
            }
            ++m_state->silentReads;
            if (m_state->onSilentRead) {
                m_state->onSilentRead(m_state->silentReads);
            }
            return 0;
        }
        const FakeDeviceState::Input input = m_state->inputs.front();
        m_state->inputs.pop_front();
        if (input.fail) {
            return -1;
        }
        const size_t n = len < input.report.size() ? len : input.report.size();
        for (size_t i = 0; i < n; ++i) {
            report[i] = input.report[i];
        }
        return static_cast<int>(n);
    }

    uint32_t InputReportLength() const override { return m_state->inputLength; }
    uint32_t OutputReportLength() const override { return m_state->outputLength; }

private:
    std::shared_ptr<FakeDeviceState> m_state;
};

class FakeHidBackend final : public orvane::IHidBackend {
public:
    struct Entry {
        orvane::HidDeviceInfo info;
        std::shared_ptr<FakeDeviceState> state;
        bool openable = true;
    };

    // Adds a device at the end of the enumeration order and returns its state.
    std::shared_ptr<FakeDeviceState> Add(const std::string& path, uint16_t vid, uint16_t pid,
                                         orvane::VirtualClock* clock = nullptr) {
        auto state = std::make_shared<FakeDeviceState>();
        state->clock = clock;
        m_entries.push_back({{path, vid, pid, ""}, state, true});
        return state;
    }

    std::vector<Entry>& Entries() { return m_entries; }
    // Every path handed to OpenPath, in order.
    const std::vector<std::string>& OpenedPaths() const { return m_opened; }
    // Handles held on any device at the moment of each Enumerate call.
    const std::vector<int>& HandlesAtEnumerate() const { return m_handlesAtEnumerate; }

    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        int handles = 0;
        std::vector<orvane::HidDeviceInfo> list;
        for (const Entry& e : m_entries) {
            handles += e.state->openHandles;
            list.push_back(e.info);
        }
        m_handlesAtEnumerate.push_back(handles);
        return list;
    }

    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string& path) override {
        m_opened.push_back(path);
        for (const Entry& e : m_entries) {
            if (e.info.path == path && e.openable) {
                return std::make_unique<FakeHidDevice>(e.state);
            }
        }
        return nullptr;
    }

private:
    std::vector<Entry> m_entries;
    std::vector<std::string> m_opened;
    std::vector<int> m_handlesAtEnumerate;
};

}  // namespace hidtest
