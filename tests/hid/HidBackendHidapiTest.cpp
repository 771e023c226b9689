// The real hidapi back end, built against the stand-in hidapi: what reaches hidapi and what
// comes back.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <deque>
#include <thread>
#include <vector>

#include "FakeHidapi.h"
#include "SysfsTree.h"
#include "link/HidLink.h"
#include "platform/HidEnum.h"
#include "platform/SystemClock.h"

namespace {

// Records output reports and plays queued input reports; silent reads return at once unless
// `realTime` is set, in which case they block for their wait.
class RecordingModel final : public fakehidapi::Model {
public:
    int Write(uint64_t, const uint8_t* data, size_t length) override {
        if (gone) {
            return -1;
        }
        written.emplace_back(data, data + length);
        return static_cast<int>(length);
    }
    int Read(uint64_t, uint8_t* data, size_t length, int timeoutMs) override {
        timeouts.push_back(timeoutMs);
        if (gone) {
            return -1;
        }
        if (inputs.empty()) {
            if (realTime) {
                std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
            }
            return 0;
        }
        const std::vector<uint8_t> report = inputs.front();
        inputs.pop_front();
        const size_t n = std::min(length, report.size());
        std::copy(report.begin(), report.begin() + static_cast<long>(n), data);
        return static_cast<int>(n);
    }

    bool gone = false;
    bool realTime = false;
    std::vector<std::vector<uint8_t>> written;
    std::deque<std::vector<uint8_t>> inputs;
    std::vector<int> timeouts;
};

class HidBackendHidapiTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakehidapi::Reset();
        m_model = std::make_shared<RecordingModel>();
        m_tree.AddHidraw(0, 0x046D, 0xC077, "Mouse");
        m_tree.AddHidraw(4, 0x0ACD, 0x3710, "Orvane");
        fakehidapi::AddDevice({"/dev/hidraw0", 0x046D, 0xC077, L"Mouse"},
                              std::make_shared<RecordingModel>());
        fakehidapi::AddDevice({"/dev/hidraw4", 0x0ACD, 0x3710, L"Orvane"}, m_model);
        m_backend = orvane::MakeHidapiBackend(
            [this] { return orvane::EnumerateHidrawSysfs(m_tree.ClassDir(), "/dev"); });
    }
    void TearDown() override { fakehidapi::Reset(); }

    hidtest::SysfsTree m_tree;
    std::shared_ptr<RecordingModel> m_model;
    std::unique_ptr<orvane::IHidBackend> m_backend;
};

TEST_F(HidBackendHidapiTest, LinkOpensTheSysfsNodeAndItsReportsPassUnchanged) {
    CHidLink link(m_backend.get());
    ASSERT_EQ(link.Open(0x0ACD, 0x3710), 1);
    EXPECT_STREQ(link.DevicePath(), "/dev/hidraw4");
    EXPECT_EQ(fakehidapi::GetStats().openedPaths,
              (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw4"}));
    EXPECT_EQ(fakehidapi::GetStats().openHandles, 1);

    std::vector<uint8_t> message(70);
    for (size_t i = 0; i < message.size(); ++i) {
        message[i] = static_cast<uint8_t>(i + 1);
    }
    link.WriteMessage(message.data(), 70);
    ASSERT_EQ(m_model->written.size(), 2U);
    for (const auto& report : m_model->written) {
        EXPECT_EQ(report.size(), 64U);  // report id included
    }
    EXPECT_EQ(m_model->written[0][0], 2);  // the position code is the report id
    EXPECT_EQ(m_model->written[0][1], 1);
    EXPECT_EQ(m_model->written[1][0], 4);
    EXPECT_EQ(m_model->written[1][7], 70);

    std::vector<uint8_t> reply(64, 0);
    reply[0] = 1;  // report id 1: an only report
    reply[1 + 10] = 0x18;
    m_model->inputs.push_back(reply);
    std::array<uint8_t, 128> dest{};
    uint32_t count = 0;
    link.ReadMessage(dest.data(), &count, 128);
    EXPECT_EQ(count, 16U);
    EXPECT_EQ(dest[10], 0x18);
    EXPECT_EQ(m_model->timeouts, std::vector<int>{static_cast<int>(CHidLink::kReadSliceMs)});
}

TEST_F(HidBackendHidapiTest, RemovedDeviceFailsAtOnce) {
    auto device = m_backend->OpenPath("/dev/hidraw4");
    ASSERT_TRUE(device);
    m_model->gone = true;
    const std::array<uint8_t, 64> report{1};
    std::array<uint8_t, 64> in{};
    EXPECT_EQ(device->Write(report.data(), 64), -1);
    EXPECT_EQ(device->Read(in.data(), 64, 50), -1);

    CHidLink link(m_backend.get());
    ASSERT_EQ(link.Open(0x0ACD, 0x3710), 1);
    uint32_t count = 5;
    EXPECT_EQ(link.ReadMessage(in.data(), &count, 64), 0U);
    EXPECT_EQ(m_model->timeouts.size(), 2U);  // one read each: neither waited on
}

TEST_F(HidBackendHidapiTest, OnlyHidrawNodesReachHidOpenPath) {
    fakehidapi::AddDevice({"/dev/sda", 0x0ACD, 0x3710, L""}, m_model);
    for (const char* path : {"/dev/sda", "/dev/hidraw", "/dev/hidraw4x", "/dev/hidraw4/"}) {
        EXPECT_FALSE(m_backend->OpenPath(path)) << path;
    }
    EXPECT_EQ(fakehidapi::GetStats().openCalls, 0);
    EXPECT_FALSE(m_backend->OpenPath("/dev/hidraw7"));  // a node with no device
    EXPECT_EQ(fakehidapi::GetStats().openCalls, 1);
}

TEST_F(HidBackendHidapiTest, HidapiIsInitialisedOnce) {
    for (int i = 0; i < 3; ++i) {
        auto device = m_backend->OpenPath("/dev/hidraw4");
        EXPECT_TRUE(device);
    }
    auto other = orvane::MakeHidapiBackend([] { return std::vector<orvane::HidDeviceInfo>{}; });
    EXPECT_TRUE(other->OpenPath("/dev/hidraw0"));
    EXPECT_EQ(fakehidapi::GetStats().initCalls, 1);
    EXPECT_EQ(fakehidapi::GetStats().openHandles, 0);  // every handle closed with its object
}

TEST_F(HidBackendHidapiTest, HidapiEnumerationKeepsItsOrderAndFields) {
    const auto devices = orvane::EnumerateWithHidapi();
    ASSERT_EQ(devices.size(), 2U);
    EXPECT_EQ(devices[0].path, "/dev/hidraw0");
    EXPECT_EQ(devices[0].product, "Mouse");
    EXPECT_EQ(devices[1].path, "/dev/hidraw4");
    EXPECT_EQ(devices[1].vendorId, 0x0ACD);
    EXPECT_EQ(devices[1].productId, 0x3710);
}

// Real time, once: a silent report read costs its whole 500 ms, in short slices.
TEST_F(HidBackendHidapiTest, SilentReadWaitsFiveHundredRealMilliseconds) {
    orvane::SetClock(nullptr);
    m_model->realTime = true;
    CHidLink link(m_backend.get());
    ASSERT_EQ(link.Open(0x0ACD, 0x3710), 1);
    std::array<uint8_t, 64> report{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.ReadReport(report.data(), 500), 1);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(ms, 500);
    EXPECT_LT(ms, 2000);
    EXPECT_EQ(report[0], 0);
    // How many slices fit depends on the machine's load; that the wait was sliced does not.
    EXPECT_GE(m_model->timeouts.size(), 2U);
    for (int t : m_model->timeouts) {
        EXPECT_LE(t, static_cast<int>(CHidLink::kReadSliceMs));
    }
}

}  // namespace
