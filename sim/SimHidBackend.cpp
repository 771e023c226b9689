#include "sim/SimHidBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    SimHidHandle(SimHidBackend& backend, std::size_t index, uint64_t generation)
        : m_backend(backend), m_index(index), m_generation(generation) {}

    int Write(const uint8_t* report, size_t len) override {
        return m_backend.WriteReport(m_index, m_generation, report, len);
    }
    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        return m_backend.ReadReport(m_index, m_generation, report, len, timeoutMs);
    }
    uint32_t InputReportLength() const override { return SimHidBackend::kReportSize; }
    uint32_t OutputReportLength() const override { return SimHidBackend::kReportSize; }

private:
    SimHidBackend& m_backend;
    std::size_t m_index;
    uint64_t m_generation;
};

SimHidBackend::SimHidBackend(OrvaneDevice& device) : m_faces(1) {
    m_faces[0].device = &device;
}

SimHidBackend::SimHidBackend(const std::vector<OrvaneDevice*>& devices)
    : m_renumber(true), m_faces(devices.size()) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
        m_faces[i].device = devices[i];
    }
}

SimHidBackend::~SimHidBackend() = default;

std::string SimHidBackend::PathOf(std::size_t index, uint64_t generation) const {
    if (!m_renumber) {
        return kPath;
    }
    return "sim:hidraw" + std::to_string(index + m_faces.size() * generation);
}

std::vector<HidDeviceInfo> SimHidBackend::Enumerate() {
    std::vector<HidDeviceInfo> found;
    for (std::size_t i = 0; i < m_faces.size(); ++i) {
        const OrvaneDevice& device = *m_faces[i].device;
        if (!device.OnBus()) {
            continue;
        }
        const DeviceConfig config = device.Config();
        char serial[16];
        std::snprintf(serial, sizeof serial, "SIM%04zu", (i + 1) % 10000);
        found.push_back(HidDeviceInfo{PathOf(i, device.BusGeneration()), config.vendorId,
                                      config.productId, "Orvane (simulated)", serial,
                                      "sim-1." + std::to_string(i + 1)});
    }
    return found;
}

std::unique_ptr<IHidDevice> SimHidBackend::OpenPath(const std::string& path) {
    for (std::size_t i = 0; i < m_faces.size(); ++i) {
        const OrvaneDevice& device = *m_faces[i].device;
        const uint64_t generation = device.BusGeneration();
        if (device.OnBus() && path == PathOf(i, generation)) {
            return std::make_unique<SimHidHandle>(*this, i, generation);
        }
    }
    return nullptr;
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

bool SimHidBackend::Alive(std::size_t index, uint64_t generation) const {
    const OrvaneDevice& device = *m_faces[index].device;
    return device.OnBus() && device.BusGeneration() == generation;
}

int SimHidBackend::WriteReport(std::size_t index, uint64_t generation, const uint8_t* report,
                               std::size_t len) {
    if (!Alive(index, generation)) {
        return -1;
    }
    if (report == nullptr || len == 0) {
        return 0;
    }
    const uint8_t code = report[0];
    const std::size_t n = std::min<std::size_t>(len - 1, kPayload);
    const uint8_t* payload = report + 1;

    Face& face = m_faces[index];
    std::vector<uint8_t> request;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (face.requestReports > 0 && face.requestGeneration != generation) {
            face.request.clear();  // a request cut off when the device left the bus
            face.requestReports = 0;
        }
        if (code == 1 || code == 2) {
            face.request.assign(payload, payload + n);
            face.requestReports = 1;
            face.requestGeneration = generation;
        } else if ((code == 3 || code == 4) && face.requestReports > 0) {
            face.request.insert(face.request.end(), payload, payload + n);
            ++face.requestReports;
        } else {
            // Not a report of a message (a script without position codes, a stray last report):
            // the device ignores it.
            return static_cast<int>(len);
        }
        if (face.request.size() > kRequestMax) {
            face.request.clear();
            face.requestReports = 0;
            return static_cast<int>(len);
        }
        if (code == 1 || code == 4) {
            // The frame's own length decides where it ends; the rest of the report is padding.
            std::size_t total = face.request.size();
            if (face.request.size() >= frame::kHeaderSize) {
                total = std::min<std::size_t>(total, frame::TotalSize(face.request.data()));
            }
            request.assign(face.request.begin(),
                           face.request.begin() + static_cast<std::ptrdiff_t>(total));
            face.request.clear();
            face.requestReports = 0;
            // A device answers its latest request: a restart reply nobody collected is gone.
            std::erase_if(face.queue, [](const Queued& q) { return q.held; });
        }
    }
    if (request.empty()) {
        return static_cast<int>(len);
    }

    std::optional<OrvaneDevice::Reply> reply = face.device->Respond(request.data(), request.size());
    if (reply && !reply->bytes.empty()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& piece : CutIntoReports(reply->bytes)) {
            face.queue.push_back(
                Queued{std::move(piece), reply->dueMs, reply->generation, reply->held});
        }
        m_arrived.notify_all();
    }
    return static_cast<int>(len);
}

int SimHidBackend::ReadReport(std::size_t index, uint64_t generation, uint8_t* report,
                              std::size_t len, int timeoutMs) {
    Face& face = m_faces[index];
    OrvaneDevice& device = *face.device;
    auto* virtualClock = dynamic_cast<VirtualClock*>(&Clock());
    const uint32_t limit = timeoutMs > 0 ? static_cast<uint32_t>(timeoutMs) : 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    uint32_t advanced = 0;  // virtual time spent so far

    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!Alive(index, generation)) {
            return -1;
        }
        const uint64_t current = device.BusGeneration();
        while (!face.queue.empty() && face.queue.front().generation != current) {
            face.queue.pop_front();  // queued before the device left the bus
        }
        const uint32_t now = device.NowMs();
        if (!face.queue.empty() && static_cast<int32_t>(now - face.queue.front().dueMs) >= 0) {
            const std::vector<uint8_t>& front = face.queue.front().report;
            const std::size_t n = std::min(len, front.size());
            if (report != nullptr) {
                std::memcpy(report, front.data(), n);
            }
            face.queue.pop_front();
            return static_cast<int>(n);
        }
        if (virtualClock != nullptr) {
            // Model the time spent inside the platform call without spending it.
            if (advanced >= limit) {
                return 0;
            }
            uint32_t wait = limit - advanced;
            if (!face.queue.empty()) {
                wait = std::min(wait, face.queue.front().dueMs - now);
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
            if (!face.queue.empty()) {
                const uint32_t due = face.queue.front().dueMs - now;
                slice = std::min<std::chrono::steady_clock::duration>(
                    slice, std::chrono::milliseconds(due));
            }
            m_arrived.wait_for(lock, slice);
        }
    }
}

}  // namespace orvane::sim
