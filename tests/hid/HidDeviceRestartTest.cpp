// The link over the real back end, the stand-in hidapi and the simulated device: a download's
// USB conversation, including the device leaving the bus and coming back on a new node.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "OrvaneUsbModel.h"
#include "link/Crc16.h"
#include "link/HidLink.h"
#include "link/MessageFrame.h"

namespace {

constexpr uint16_t kVid = 0x0ACD;
constexpr uint16_t kPid = 0x3710;

std::vector<uint8_t> Request(uint8_t command, uint8_t sub) {
    std::vector<uint8_t> f(frame::kMagic.begin(), frame::kMagic.end());
    f.insert(f.end(), {command, sub, 0, 0});
    f.push_back(Crc16High(f.data(), 14));
    f.push_back(Crc16Low(f.data(), 14));
    return f;
}

class HidDeviceRestartTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakehidapi::Reset();
        orvane::SetClock(&m_clock);
        m_device = std::make_unique<orvane::sim::OrvaneDevice>();
        m_bus = std::make_unique<hidtest::UsbBus>(*m_device);
        m_backend = orvane::MakeHidapiBackend([this] { return m_bus->Enumerate(); });
        m_link = std::make_unique<CHidLink>(m_backend.get());
    }
    void TearDown() override {
        m_link.reset();
        orvane::SetClock(nullptr);
        fakehidapi::Reset();
    }

    // Sends `request` as a message and reads the reply into a `capacity`-byte buffer.
    uint32_t Exchange(const std::vector<uint8_t>& request, uint32_t capacity = 128) {
        m_link->WriteMessage(request.data(), static_cast<uint32_t>(request.size()));
        m_reply.assign(capacity, 0);
        uint32_t count = 0;
        m_link->ReadMessage(m_reply.data(), &count, capacity);
        return count;
    }

    orvane::VirtualClock m_clock;
    std::unique_ptr<orvane::sim::OrvaneDevice> m_device;
    std::unique_ptr<hidtest::UsbBus> m_bus;
    std::unique_ptr<orvane::IHidBackend> m_backend;
    std::unique_ptr<CHidLink> m_link;
    std::vector<uint8_t> m_reply;
};

TEST_F(HidDeviceRestartTest, ProbeFirstFrameRestartAndBootloaderPoll) {
    orvane::sim::DeviceConfig config;
    config.failFrame = 1;
    m_device->Configure(config);
    ASSERT_EQ(m_link->Open(kVid, kPid), 1);
    EXPECT_STREQ(m_link->DevicePath(), "/dev/hidraw1");
    ASSERT_EQ(Exchange(Request(frame::kCmdLinkProbe, frame::kSubLinkProbe)), 16U);
    EXPECT_EQ(m_reply[10], frame::kCmdLinkProbe);

    // Frame 1 of a script, as a whole report image: the device restarts at once and keeps its
    // answer for the new connection, which the old handle never sees.
    std::array<uint8_t, 64> image{};
    image[0] = 1;
    const auto erase = Request(frame::kCmdBootloader, frame::kSubErase);
    std::copy(erase.begin(), erase.end(), image.begin() + 1);
    EXPECT_EQ(m_link->WriteRaw(image.data(), 17), 1);
    const uint64_t before = m_clock.NowMs();
    uint32_t count = 9;
    EXPECT_EQ(m_link->ReadMessage(m_reply.data(), &count, 128), 0U);
    EXPECT_EQ(m_clock.NowMs(), before);  // the old handle fails at once
    ASSERT_EQ(m_device->Received().size(), 2U);
    EXPECT_TRUE(m_device->Received()[1].answered);

    // While the device is away only the mouse is found.
    EXPECT_EQ(m_link->Open(kVid, kPid), 0);
    EXPECT_FALSE(m_link->IsOpen());
    EXPECT_STREQ(m_link->DevicePath(), "/dev/hidraw0");

    m_clock.Sleep(m_device->Config().restartMs);
    ASSERT_EQ(m_link->Open(kVid, kPid), 1);
    EXPECT_STREQ(m_link->DevicePath(), "/dev/hidraw2");
    // The poll replaces the unread answer to frame 1 (status 1 here, to tell them apart).
    ASSERT_EQ(
        Exchange(std::vector<uint8_t>(frame::kPollRequest.begin(), frame::kPollRequest.end())),
        16U);
    EXPECT_EQ(m_reply[10], frame::kCmdBootloader);
    EXPECT_EQ(m_reply[11], 0);
    EXPECT_EQ(m_link->ReadMessage(m_reply.data(), &count, 128), 0U);
    EXPECT_EQ(fakehidapi::GetStats().openHandles, 1);
}

TEST_F(HidDeviceRestartTest, EachRestartAnswersOnTheNewNode) {
    ASSERT_EQ(m_link->Open(kVid, kPid), 1);
    ASSERT_EQ(Exchange(Request(frame::kCmdLinkProbe, frame::kSubLinkProbe)), 16U);
    struct {
        uint8_t sub;
        const char* nodeAfter;
    } const restarts[] = {
        {frame::kSubErase, "/dev/hidraw2"},    // frame 1: into the bootloader
        {frame::kSubRestart, "/dev/hidraw3"},  // restart in place
        {frame::kSubFinish, "/dev/hidraw4"},   // back into the application
    };
    for (const auto& r : restarts) {
        EXPECT_EQ(Exchange(Request(frame::kCmdBootloader, r.sub)), 0U) << "old node";
        m_clock.Sleep(m_device->Config().restartMs - 1);
        EXPECT_EQ(m_link->Open(kVid, kPid), 0) << int{r.sub};
        m_clock.Sleep(1);
        ASSERT_EQ(m_link->Open(kVid, kPid), 1) << int{r.sub};
        EXPECT_STREQ(m_link->DevicePath(), r.nodeAfter);
        uint32_t count = 0;
        ASSERT_EQ(m_link->ReadMessage(m_reply.data(), &count, 128), 16U) << int{r.sub};
        EXPECT_EQ(std::vector<uint8_t>(m_reply.begin(), m_reply.begin() + 16),
                  Request(frame::kCmdBootloader, 0x00))
            << int{r.sub};
    }
    EXPECT_FALSE(m_device->InBootloader());
}

TEST_F(HidDeviceRestartTest, LongVersionReplyIsJoinedAndCutToTheBuffer) {
    orvane::sim::DeviceConfig config;
    config.version = std::string(200, 'v') + "1.03";
    m_device->Configure(config);
    ASSERT_EQ(m_link->Open(kVid, kPid), 1);
    const auto version = Request(frame::kCmdBootloader, frame::kSubVersion);

    ASSERT_EQ(Exchange(version, 512), 16U + 204U);
    EXPECT_EQ(m_reply[10], frame::kCmdBootloader);
    EXPECT_EQ(std::string(m_reply.begin() + 14, m_reply.begin() + 14 + 204), config.version);
    // The probe's buffer gets the first 128 bytes.
    ASSERT_EQ(Exchange(version, 128), 128U);
    EXPECT_EQ(m_reply[13], 204);
}

TEST_F(HidDeviceRestartTest, LateReplyIsWaitedForOnTheClock) {
    orvane::sim::DeviceConfig config;
    config.replyDelayMs = 120;
    m_device->Configure(config);
    ASSERT_EQ(m_link->Open(kVid, kPid), 1);
    const uint64_t start = m_clock.NowMs();
    ASSERT_EQ(Exchange(Request(frame::kCmdLinkProbe, frame::kSubLinkProbe)), 16U);
    EXPECT_EQ(m_clock.NowMs() - start, 120U);
    EXPECT_TRUE(m_clock.Sleeps().empty());

    config.replyDelayMs = 0;
    config.silent = true;
    m_device->Configure(config);
    EXPECT_EQ(Exchange(Request(frame::kCmdLinkProbe, frame::kSubLinkProbe)), 0U);
    EXPECT_EQ(m_clock.NowMs() - start, 120U + 500U);
}

}  // namespace
