#pragma once

// The simulated Orvane device as the stand-in hidapi sees it on a hidraw node, and a bus that
// keeps a sysfs tree and the stand-in's device list in step with the device's presence.

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeHidapi.h"
#include "SysfsTree.h"
#include "link/MessageFrame.h"
#include "platform/Clock.h"
#include "platform/HidEnum.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"

namespace hidtest {

// Joins host reports by position code into one request for the device model and cuts its reply
// into numbered reports (1 only, 2 first, 3 middle, 4 last; a last report keeps the tail of
// the one before). A handle lives for one bus generation: once the device leaves the bus it
// fails at once, for good, and replies queued for it are lost. The reply to a restart frame goes
// to the handles opened after the device is back, until the next request replaces it.
class OrvaneUsbModel final : public fakehidapi::Model {
public:
    explicit OrvaneUsbModel(orvane::sim::OrvaneDevice& device) : m_device(device) {}

    bool Open(uint64_t& session) override {
        if (!m_device.OnBus()) {
            return false;
        }
        session = m_device.BusGeneration();
        return true;
    }

    int Write(uint64_t session, const uint8_t* data, size_t length) override {
        std::lock_guard lock(m_mutex);
        if (!Alive(session) || length < 1) {
            return -1;
        }
        const uint8_t code = data[0];
        const size_t payload = std::min<size_t>(length - 1, 63);
        if (code == 1 || code == 2) {
            m_request.clear();
        }
        m_request.insert(m_request.end(), data + 1, data + 1 + payload);
        if (code == 1 || code == 4) {
            if (m_request.size() >= frame::kHeaderSize) {
                m_request.resize(
                    std::min<size_t>(m_request.size(), frame::TotalSize(m_request.data())));
            }
            std::erase_if(m_queue, [](const Queued& q) { return q.held; });
            const auto reply = m_device.Respond(m_request.data(), m_request.size());
            m_request.clear();
            if (reply) {
                for (const auto& report : Cut(reply->bytes)) {
                    m_queue.push_back({report, reply->dueMs, reply->generation, reply->held});
                }
            }
        }
        return static_cast<int>(length);
    }

    int Read(uint64_t session, uint8_t* data, size_t length, int timeoutMs) override {
        std::unique_lock lock(m_mutex);
        if (!Alive(session)) {
            return -1;
        }
        std::erase_if(m_queue, [&](const Queued& q) { return q.generation != session; });
        const uint32_t now = m_device.NowMs();
        uint32_t wait = static_cast<uint32_t>(std::max(timeoutMs, 0));
        if (!m_queue.empty()) {
            wait = std::min(wait, m_queue.front().dueMs > now ? m_queue.front().dueMs - now : 0);
        }
        if (wait > 0) {
            lock.unlock();
            if (auto* virtualClock = dynamic_cast<orvane::VirtualClock*>(&orvane::Clock())) {
                virtualClock->Advance(wait);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(wait));
            }
            lock.lock();
            if (!Alive(session)) {
                return -1;
            }
        }
        if (m_queue.empty() || m_queue.front().dueMs > m_device.NowMs()) {
            return 0;
        }
        const auto report = m_queue.front().report;
        m_queue.pop_front();
        const size_t n = std::min(length, report.size());
        std::copy(report.begin(), report.begin() + static_cast<long>(n), data);
        return static_cast<int>(n);
    }

private:
    using Report = std::array<uint8_t, 64>;
    struct Queued {
        Report report;
        uint32_t dueMs;
        uint64_t generation;
        bool held;  // a restart frame's reply
    };

    bool Alive(uint64_t session) const {
        return m_device.OnBus() && m_device.BusGeneration() == session;
    }

    static std::vector<Report> Cut(const std::vector<uint8_t>& message) {
        std::vector<Report> reports;
        Report buffer{};
        const size_t count = (message.size() + 62) / 63;
        for (size_t k = 0; k < count; ++k) {
            buffer[0] = count == 1 ? 1 : k == 0 ? 2 : k + 1 == count ? 4 : 3;
            const size_t share = std::min<size_t>(63, message.size() - k * 63);
            std::copy_n(message.begin() + static_cast<long>(k * 63), share, buffer.begin() + 1);
            reports.push_back(buffer);
        }
        return reports;
    }

    orvane::sim::OrvaneDevice& m_device;
    std::mutex m_mutex;
    std::vector<uint8_t> m_request;
    std::deque<Queued> m_queue;
};

// A USB bus with a mouse on hidraw0 and the Orvane device, which takes the next free hidraw
// number each time it comes back after leaving the bus (as the kernel numbers a re-enumerated
// device). Enumerate brings the sysfs tree and the stand-in's list up to date first.
class UsbBus {
public:
    explicit UsbBus(orvane::sim::OrvaneDevice& device)
        : m_device(device), m_model(std::make_shared<OrvaneUsbModel>(device)) {
        m_tree.AddHidraw(0, 0x046D, 0xC077, "Mouse");
        fakehidapi::AddDevice({"/dev/hidraw0", 0x046D, 0xC077, L"Mouse"}, m_mouse);
    }

    std::vector<orvane::HidDeviceInfo> Enumerate() {
        const bool onBus = m_device.OnBus();
        const uint64_t generation = m_device.BusGeneration();
        if (m_node != 0 && (!onBus || generation != m_nodeGeneration)) {
            m_tree.Remove("hidraw" + std::to_string(m_node));
            fakehidapi::RemoveDevice("/dev/hidraw" + std::to_string(m_node));
            m_node = 0;
        }
        if (onBus && m_node == 0) {
            m_node = m_nextNode++;
            m_nodeGeneration = generation;
            const auto config = m_device.Config();
            m_tree.AddHidraw(m_node, config.vendorId, config.productId, "Orvane");
            fakehidapi::AddDevice({"/dev/hidraw" + std::to_string(m_node), config.vendorId,
                                   config.productId, L"Orvane"},
                                  m_model);
        }
        return orvane::EnumerateHidrawSysfs(m_tree.ClassDir(), "/dev");
    }

private:
    // Present but never spoken to.
    class Mouse final : public fakehidapi::Model {
        int Write(uint64_t, const uint8_t*, size_t) override { return -1; }
        int Read(uint64_t, uint8_t*, size_t, int) override { return -1; }
    };

    orvane::sim::OrvaneDevice& m_device;
    std::shared_ptr<OrvaneUsbModel> m_model;
    std::shared_ptr<Mouse> m_mouse = std::make_shared<Mouse>();
    SysfsTree m_tree;
    unsigned m_node = 0;  // 0: the device has no node
    unsigned m_nextNode = 1;
    uint64_t m_nodeGeneration = 0;
};

}  // namespace hidtest
