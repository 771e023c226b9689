#include "sim/SimHidgDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

#include "sim/FaceEvents.h"
#include "sim/OrvaneDevice.h"
#include "sim/ReportJoiner.h"
#include "sim/SimHidBackend.h"

namespace orvane::sim {

namespace {

constexpr int kPollSliceMs = 5;
constexpr std::size_t kReportSize = 64;

struct Outgoing {
    std::vector<uint8_t> report;
    uint32_t dueMs = 0;
    uint64_t generation = 0;
};

}  // namespace

SimHidgDevice::SimHidgDevice(OrvaneDevice& device, std::string node, std::string udcFile,
                             std::FILE* log)
    : m_device(device), m_node(std::move(node)), m_udcFile(std::move(udcFile)), m_log(log) {}

SimHidgDevice::~SimHidgDevice() {
    Stop();
}

bool SimHidgDevice::OpenNode() {
    m_fd = open(m_node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return m_fd >= 0;
}

void SimHidgDevice::CloseNode() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

bool SimHidgDevice::Start(std::string* error) {
    if (m_thread.joinable()) {
        return false;
    }
    if (!m_udcFile.empty()) {
        m_udcName = ReadSysfsLine(m_udcFile);
        if (m_udcName.empty()) {
            if (error != nullptr) {
                *error = m_udcFile + ": the gadget is not bound to a controller";
            }
            return false;
        }
    }
    if (!OpenNode()) {
        if (error != nullptr) {
            *error = m_node + ": " + std::strerror(errno);
        }
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void SimHidgDevice::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    CloseNode();
}

void SimHidgDevice::Serve() {
    ReportJoiner joiner;
    std::deque<Outgoing> outgoing;
    uint64_t boundGeneration = m_device.BusGeneration();
    bool bound = true;

    while (!m_stop) {
        const uint64_t generation = m_device.BusGeneration();
        if (!m_udcFile.empty()) {
            if (bound && generation != boundGeneration) {
                CloseNode();
                WriteSysfs(m_udcFile, "\n");
                bound = false;
                joiner.Reset();
                LogEvent(m_log, m_device, "hidg: gadget unbound");
            }
            if (!bound && m_device.OnBus() && WriteSysfs(m_udcFile, m_udcName + "\n")) {
                bound = true;
                boundGeneration = generation;
                LogEvent(m_log, m_device, "hidg: gadget bound");
            }
        }
        if (m_fd < 0 && bound && !OpenNode()) {
            poll(nullptr, 0, kPollSliceMs);
            continue;
        }
        if (m_fd < 0) {
            poll(nullptr, 0, kPollSliceMs);
            continue;
        }
        std::erase_if(outgoing, [&](const Outgoing& o) { return o.generation != generation; });
        const uint32_t now = m_device.NowMs();
        while (!outgoing.empty() && static_cast<int32_t>(now - outgoing.front().dueMs) >= 0) {
            const ssize_t n = write(m_fd, outgoing.front().report.data(), kReportSize);
            if (n < 0 && errno == EAGAIN) {
                break;  // the host has not taken the report before: try again shortly
            }
            outgoing.pop_front();
        }

        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, kPollSliceMs) <= 0 || (p.revents & POLLIN) == 0) {
            continue;
        }
        uint8_t report[kReportSize * 2];
        const ssize_t n = read(m_fd, report, sizeof report);
        if (n <= 0) {
            continue;
        }
        std::optional<std::vector<uint8_t>> request =
            joiner.Take(report, static_cast<std::size_t>(n));
        if (!request) {
            continue;
        }
        std::optional<OrvaneDevice::Reply> reply =
            m_device.Respond(request->data(), request->size());
        if (reply && !reply->held) {
            for (auto& piece : SimHidBackend::CutIntoReports(reply->bytes)) {
                outgoing.push_back(Outgoing{std::move(piece), reply->dueMs, reply->generation});
            }
        }
    }
}

}  // namespace orvane::sim
