#include "sim/SimUhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
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
constexpr uint32_t kSettleMs = 30;
constexpr uint16_t kBusUsb = 0x03;

// Four numbered reports of 63 bytes each way, one per position code.
constexpr uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF,                                            // usage page (vendor 0xFF00)
    0x09, 0x01,                                                  // usage 1
    0xA1, 0x01,                                                  // collection (application)
    0x15, 0x00,                                                  //   logical minimum 0
    0x26, 0xFF, 0x00,                                            //   logical maximum 255
    0x75, 0x08,                                                  //   report size 8
    0x95, 0x3F,                                                  //   report count 63
    0x85, 0x01, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,  // id 1: input, output
    0x85, 0x02, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,  // id 2
    0x85, 0x03, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,  // id 3
    0x85, 0x04, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,  // id 4
    0xC0,                                                        // end collection
};

bool Send(int fd, const uhid_event& event) {
    return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

struct Outgoing {
    std::vector<std::vector<uint8_t>> reports;
    uint32_t dueMs = 0;
    uint64_t generation = 0;
    bool held = false;
};

}  // namespace

const uint8_t* SimUhidDevice::ReportDescriptor(std::size_t* size) {
    if (size != nullptr) {
        *size = sizeof kReportDescriptor;
    }
    return kReportDescriptor;
}

SimUhidDevice::SimUhidDevice(OrvaneDevice& device, std::FILE* log) : m_device(device), m_log(log) {}

SimUhidDevice::~SimUhidDevice() {
    Stop();
}

bool SimUhidDevice::Start(std::string* error) {
    if (m_thread.joinable()) {
        return false;
    }
    m_fd = open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0 || !Create()) {
        if (error != nullptr) {
            *error = std::string("/dev/uhid: ") + std::strerror(errno);
        }
        if (m_fd >= 0) {
            close(m_fd);
            m_fd = -1;
        }
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void SimUhidDevice::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    if (m_fd >= 0) {
        Destroy();
        close(m_fd);
        m_fd = -1;
    }
}

bool SimUhidDevice::Create() {
    const DeviceConfig config = m_device.Config();
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& create = event.u.create2;
    std::snprintf(reinterpret_cast<char*>(create.name), sizeof create.name, "Orvane (simulated)");
    std::snprintf(reinterpret_cast<char*>(create.phys), sizeof create.phys, "orvane-sim/%d/%u",
                  static_cast<int>(getpid()), ++m_instance);
    std::snprintf(reinterpret_cast<char*>(create.uniq), sizeof create.uniq, "SIM%d",
                  static_cast<int>(getpid()));
    std::memcpy(create.rd_data, kReportDescriptor, sizeof kReportDescriptor);
    create.rd_size = sizeof kReportDescriptor;
    create.bus = kBusUsb;
    create.vendor = config.vendorId;
    create.product = config.productId;
    create.version = 0x0100;
    m_created = Send(m_fd, event);
    if (m_created) {
        LogEvent(m_log, m_device, "uhid: device created");
    }
    return m_created;
}

void SimUhidDevice::Destroy() {
    if (!m_created) {
        return;
    }
    uhid_event event{};
    event.type = UHID_DESTROY;
    Send(m_fd, event);
    m_created = false;
    LogEvent(m_log, m_device, "uhid: device destroyed");
}

void SimUhidDevice::Serve() {
    ReportJoiner joiner;
    std::deque<Outgoing> outgoing;
    uint64_t createdGeneration = m_device.BusGeneration();
    bool opened = false;
    uint32_t openedAt = 0;

    while (!m_stop) {
        const uint64_t generation = m_device.BusGeneration();
        if (m_created && generation != createdGeneration) {
            Destroy();
            opened = false;
            joiner.Reset();
        }
        if (!m_created && m_device.OnBus() && Create()) {
            createdGeneration = generation;
        }
        // Replies of a bus the device has left are gone; a held one waits for its bus.
        std::erase_if(outgoing, [&](const Outgoing& o) { return o.generation < generation; });
        const uint32_t now = m_device.NowMs();
        while (m_created && !outgoing.empty() && outgoing.front().generation == createdGeneration &&
               static_cast<int32_t>(now - outgoing.front().dueMs) >= 0) {
            Outgoing& front = outgoing.front();
            if (front.held && !(opened && now - openedAt >= kSettleMs)) {
                break;
            }
            for (const auto& report : front.reports) {
                uhid_event event{};
                event.type = UHID_INPUT2;
                event.u.input2.size = static_cast<uint16_t>(report.size());
                std::memcpy(event.u.input2.data, report.data(), report.size());
                Send(m_fd, event);
            }
            if (front.held) {
                LogEvent(m_log, m_device, "uhid: restart reply sent on the new device");
            }
            outgoing.pop_front();
        }

        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, kPollSliceMs) <= 0 || (p.revents & POLLIN) == 0) {
            continue;
        }
        uhid_event event{};
        if (read(m_fd, &event, sizeof event) <= 0) {
            continue;
        }
        switch (event.type) {
            case UHID_OPEN:
                opened = true;
                openedAt = m_device.NowMs();
                break;
            case UHID_CLOSE:
                opened = false;
                break;
            case UHID_OUTPUT: {
                const auto& output = event.u.output;
                const std::size_t size = std::min<std::size_t>(output.size, sizeof output.data);
                std::optional<std::vector<uint8_t>> request = joiner.Take(output.data, size);
                if (!request) {
                    break;
                }
                std::erase_if(outgoing, [](const Outgoing& o) { return o.held; });
                if (auto reply = m_device.Respond(request->data(), request->size())) {
                    outgoing.push_back(Outgoing{SimHidBackend::CutIntoReports(reply->bytes),
                                                reply->dueMs, reply->generation, reply->held});
                }
                break;
            }
            case UHID_GET_REPORT: {
                uhid_event answer{};
                answer.type = UHID_GET_REPORT_REPLY;
                answer.u.get_report_reply.id = event.u.get_report.id;
                answer.u.get_report_reply.err = EIO;
                Send(m_fd, answer);
                break;
            }
            case UHID_SET_REPORT: {
                uhid_event answer{};
                answer.type = UHID_SET_REPORT_REPLY;
                answer.u.set_report_reply.id = event.u.set_report.id;
                answer.u.set_report_reply.err = EIO;
                Send(m_fd, answer);
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace orvane::sim
