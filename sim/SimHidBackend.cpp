#include "sim/SimHidBackend.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "link/MessageFrame.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"

namespace orvane::sim {

namespace {

constexpr uint32_t kPayload = SimHidBackend::kReportSize - 1;
// Longest request the face joins: the largest frame the length field can describe.
constexpr std::size_t kRequestMax = 16 + 0xFFFF;
// Longest real-time wait between two looks at the bus.
constexpr int kWaitSliceMs = 20;

}  // namespace

// One open handle; dead for good once the device left the bus after it was opened.
class SimHidHandle final : public IHidDevice {
public:
    SimHidHandle(SimHidBackend& backend, uint64_t generation)
        : m_backend(backend), m_generation(generation) {}

    int Write(const uint8_t* report, size_t len) override {
        return m_backend.WriteReport(m_generation, report, len);
    }
    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        return m_backend.ReadReport(m_generation, report, len, timeoutMs);
    }
    uint32_t InputReportLength() const override { return SimHidBackend::kReportSize; }
    uint32_t OutputReportLength() const override { return SimHidBackend::kReportSize; }

private:
    SimHidBackend& m_backend;
    uint64_t m_generation;
};

SimHidBackend::SimHidBackend(OrvaneDevice& device) : m_device(device) {}

SimHidBackend::~SimHidBackend() = default;

std::vector<HidDeviceInfo> SimHidBackend::Enumerate() {
    if (!m_device.OnBus()) {
        return {};
    }
    const DeviceConfig config = m_device.Config();
    return {HidDeviceInfo{kPath, config.vendorId, config.productId, "Orvane (simulated)"}};
}

std::unique_ptr<IHidDevice> SimHidBackend::OpenPath(const std::string& path) {
    if (path != kPath || !m_device.OnBus()) {
        return nullptr;
    }
    return std::make_unique<SimHidHandle>(*this, m_device.BusGeneration());
}

std::vector<std::vector<uint8_t>> SimHidBackend::CutIntoReports(
    const std::vector<uint8_t>& message) {
    std::vector<std::vector<uint8_t>> reports;
    if (message.empty()) {
        return reports;
    }
    const std::size_t count = (message.size() - 1) / kPayload + 1;
    std::vector<uint8_t> report(kReportSize, 0);  // reused: a last report keeps older tail bytes
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = i * kPayload;
        const std::size_t n = std::min<std::size_t>(kPayload, message.size() - from);
        uint8_t code = 3;
        if (count == 1) {
            code = 1;
        } else if (i == 0) {
            code = 2;
        } else if (i + 1 == count) {
            code = 4;
        }
        report[0] = code;
        std::memcpy(report.data() + 1, message.data() + from, n);
        reports.push_back(report);
    }
    return reports;
}

bool SimHidBackend::Alive(uint64_t generation) const {
    return m_device.OnBus() && m_device.BusGeneration() == generation;
}

int SimHidBackend::WriteReport(uint64_t generation, const uint8_t* report, std::size_t len) {
    if (!Alive(generation)) {
        return -1;
    }
    if (report == nullptr || len == 0) {
        return 0;
    }
    const uint8_t code = report[0];
    const std::size_t n = std::min<std::size_t>(len - 1, kPayload);
    const uint8_t* payload = report + 1;

    std::vector<uint8_t> request;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_requestReports > 0 && m_requestGeneration != generation) {
            m_request.clear();  // a request cut off when the device left the bus
            m_requestReports = 0;
        }
        if (code == 1 || code == 2) {
            m_request.assign(payload, payload + n);
            m_requestReports = 1;
            m_requestGeneration = generation;
        } else if ((code == 3 || code == 4) && m_requestReports > 0) {
            m_request.insert(m_request.end(), payload, payload + n);
            ++m_requestReports;
        } else {
            // Not a report of a message (a script without position codes, a stray last report):
            // the device ignores it.
            return static_cast<int>(len);
        }
        if (m_request.size() > kRequestMax) {
            m_request.clear();
            m_requestReports = 0;
            return static_cast<int>(len);
        }
        if (code == 1 || code == 4) {
            // The frame's own length decides where it ends; the rest of the report is padding.
            std::size_t total = m_request.size();
            if (m_request.size() >= frame::kHeaderSize) {
                total = std::min<std::size_t>(total, frame::TotalSize(m_request.data()));
            }
            request.assign(m_request.begin(),
                           m_request.begin() + static_cast<std::ptrdiff_t>(total));
            m_request.clear();
            m_requestReports = 0;
            // A device answers its latest request: a restart reply nobody collected is gone.
            std::erase_if(m_queue, [](const Queued& q) { return q.held; });
        }
    }
    if (request.empty()) {
        return static_cast<int>(len);
    }

    std::optional<OrvaneDevice::Reply> reply = m_device.Respond(request.data(), request.size());
    if (reply && !reply->bytes.empty()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& piece : CutIntoReports(reply->bytes)) {
            m_queue.push_back(
                Queued{std::move(piece), reply->dueMs, reply->generation, reply->held});
        }
        m_arrived.notify_all();
    }
    return static_cast<int>(len);
}

int SimHidBackend::ReadReport(uint64_t generation, uint8_t* report, std::size_t len,
                              int timeoutMs) {
    auto* virtualClock = dynamic_cast<VirtualClock*>(&Clock());
    const uint32_t limit = timeoutMs > 0 ? static_cast<uint32_t>(timeoutMs) : 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    uint32_t advanced = 0;  // virtual time spent so far

    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!Alive(generation)) {
            return -1;
        }
        const uint64_t current = m_device.BusGeneration();
        while (!m_queue.empty() && m_queue.front().generation != current) {
            m_queue.pop_front();  // queued before the device left the bus
        }
        const uint32_t now = m_device.NowMs();
        if (!m_queue.empty() && static_cast<int32_t>(now - m_queue.front().dueMs) >= 0) {
            const std::vector<uint8_t>& front = m_queue.front().report;
            const std::size_t n = std::min(len, front.size());
            if (report != nullptr) {
                std::memcpy(report, front.data(), n);
            }
            m_queue.pop_front();
            return static_cast<int>(n);
        }
        if (virtualClock != nullptr) {
            // Model the time spent inside the platform call without spending it.
            if (advanced >= limit) {
                return 0;
            }
            uint32_t wait = limit - advanced;
            if (!m_queue.empty()) {
                wait = std::min(wait, m_queue.front().dueMs - now);
            }
            lock.unlock();
            virtualClock->Advance(wait);
            lock.lock();
            advanced += wait;
        } else {
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::milliseconds(0)) {
                return 0;
            }
            // Short slices: a due reply or the device leaving the bus is noticed promptly.
            auto slice = std::min<std::chrono::steady_clock::duration>(
                left, std::chrono::milliseconds(kWaitSliceMs));
            if (!m_queue.empty()) {
                const uint32_t due = m_queue.front().dueMs - now;
                slice = std::min<std::chrono::steady_clock::duration>(
                    slice, std::chrono::milliseconds(due));
            }
            m_arrived.wait_for(lock, slice);
        }
    }
}

}  // namespace orvane::sim
