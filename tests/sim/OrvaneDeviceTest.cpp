#include "sim/OrvaneDevice.h"

#include <gtest/gtest.h>

#include <string>

#include "link/MessageFrame.h"
#include "platform/VirtualClock.h"
#include "tests/sim/FrameCheck.h"

namespace orvane::sim {
namespace {

using test::IsSealedFrame;

std::vector<uint8_t> Request(uint8_t command, uint8_t sub, std::vector<uint8_t> data = {}) {
    return OrvaneDevice::MakeFrame(command, sub, data);
}

std::optional<std::vector<uint8_t>> Send(OrvaneDevice& device, const std::vector<uint8_t>& frame) {
    return device.Handle(frame.data(), frame.size());
}

class OrvaneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&m_clock); }
    void TearDown() override { SetClock(nullptr); }

    VirtualClock m_clock;
};

TEST_F(OrvaneDeviceTest, BuildsTheConstantRequestsOfTheLink) {
    const auto probe = OrvaneDevice::MakeFrame(0x18, 0x01);
    const auto poll = OrvaneDevice::MakeFrame(0xC7, 0x11);
    EXPECT_EQ(probe, std::vector<uint8_t>(frame::kLinkProbeRequest.begin(),
                                          frame::kLinkProbeRequest.end()));
    EXPECT_EQ(poll, std::vector<uint8_t>(frame::kPollRequest.begin(), frame::kPollRequest.end()));
}

TEST_F(OrvaneDeviceTest, AnswersEachKindOfRequestWithASealedFrame) {
    struct Case {
        const char* what;
        std::vector<uint8_t> request;
        uint8_t command;
        std::string data;
    };
    const Case cases[] = {
        {"link probe", Request(0x18, 0x01), 0x18, ""},
        {"version query", Request(0xC7, 0x10), 0xC7, "V2.71"},
        {"script frame with data", Request(0xC7, 0x13, {1, 2, 3, 4}), 0xC7, ""},
        {"unknown command", Request(0x42, 0x99), 0xC7, ""},
    };
    DeviceConfig config;
    config.version = "V2.71";
    for (const Case& c : cases) {
        OrvaneDevice device(config);
        const auto reply = Send(device, c.request);
        ASSERT_TRUE(reply.has_value()) << c.what;
        EXPECT_TRUE(IsSealedFrame(*reply)) << c.what;
        EXPECT_EQ((*reply)[10], c.command) << c.what;
        EXPECT_EQ((*reply)[11], 0x00) << c.what;
        EXPECT_EQ(std::string(reply->begin() + 14, reply->end() - 2), c.data) << c.what;
    }
}

TEST_F(OrvaneDeviceTest, AnswersThePollOnlyOnceBackInTheBootloader) {
    DeviceConfig config;
    config.restartMs = 300;
    OrvaneDevice device(config);
    const std::vector<uint8_t> poll(frame::kPollRequest.begin(), frame::kPollRequest.end());

    EXPECT_FALSE(Send(device, poll).has_value()) << "still in the application";
    ASSERT_TRUE(Send(device, Request(0xC7, 0x13)).has_value()) << "frame 1 is answered";
    EXPECT_TRUE(device.InBootloader());
    EXPECT_FALSE(device.OnBus());
    EXPECT_FALSE(Send(device, poll).has_value()) << "restarting";

    m_clock.Advance(299);
    EXPECT_FALSE(device.OnBus());
    m_clock.Advance(1);
    EXPECT_TRUE(device.OnBus());
    const auto reply = Send(device, poll);
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(IsSealedFrame(*reply));
    EXPECT_EQ((*reply)[10], 0xC7);
    EXPECT_EQ((*reply)[11], 0x00);
}

TEST_F(OrvaneDeviceTest, RestartsOnFrameOneRestartAndFinishOnly) {
    struct Case {
        uint8_t sub;
        bool restarts;
        bool bootloaderAfter;
    };
    const Case cases[] = {
        {0x12, false, true}, {0x13, false, true}, {0x15, true, true}, {0x16, true, false}};
    for (const Case& c : cases) {
        DeviceConfig config;
        config.restartMs = 50;
        config.replyDelayMs = 20;
        OrvaneDevice device(config);
        Send(device, Request(0xC7, 0x20));  // frame 1
        m_clock.Advance(50);
        const uint64_t before = device.BusGeneration();
        ASSERT_EQ(before, 1U);

        const auto request = Request(0xC7, c.sub);
        const auto reply = device.Respond(request.data(), request.size());
        ASSERT_TRUE(reply.has_value()) << "the reply is made before the restart";
        EXPECT_EQ(device.BusGeneration(), c.restarts ? before + 1 : before) << int(c.sub);
        // A restart's reply belongs to the connections after it, once the device is back.
        EXPECT_EQ(reply->generation, device.BusGeneration()) << int(c.sub);
        EXPECT_EQ(reply->dueMs, c.restarts ? 100U : 70U) << int(c.sub);
        EXPECT_EQ(reply->held, c.restarts) << int(c.sub);
        EXPECT_EQ(reply->bytes, Request(0xC7, 0x00)) << int(c.sub);
        EXPECT_EQ(device.OnBus(), !c.restarts) << int(c.sub);
        EXPECT_EQ(device.InBootloader(), c.bootloaderAfter) << int(c.sub);
        m_clock.Advance(50);
        EXPECT_TRUE(device.OnBus());
    }
}

TEST_F(OrvaneDeviceTest, ALinkProbeStartsTheFrameCountAgain) {
    DeviceConfig config;
    config.failFrame = 2;
    config.restartMs = 0;
    OrvaneDevice device(config);
    const auto probe = Request(0x18, 0x01);
    for (int run = 0; run < 2; ++run) {
        Send(device, probe);
        EXPECT_EQ((*Send(device, Request(0xC7, 0x20)))[11], 0x00) << "run " << run;
        EXPECT_EQ((*Send(device, Request(0xC7, 0x20)))[11], 0x01) << "run " << run;
        EXPECT_EQ((*Send(device, Request(0xC7, 0x20)))[11], 0x00) << "run " << run;
    }
}

TEST_F(OrvaneDeviceTest, FaultSwitchesHitOnlyTheirFrame) {
    enum class Expect { Ok, Status1, None, NotAReply, BadCrc };
    struct Case {
        const char* what;
        uint32_t DeviceConfig::*field;
        Expect atFrame3;
    };
    const Case cases[] = {
        {"fail", &DeviceConfig::failFrame, Expect::Status1},
        {"silent frame", &DeviceConfig::silentFrame, Expect::None},
        {"garbage", &DeviceConfig::garbageFrame, Expect::NotAReply},
        {"bad crc", &DeviceConfig::badCrcFrame, Expect::BadCrc},
    };
    for (const Case& c : cases) {
        DeviceConfig config;
        config.restartMs = 0;
        config.*(c.field) = 3;
        OrvaneDevice device(config);
        for (uint32_t number = 1; number <= 4; ++number) {
            const auto reply = Send(device, Request(0xC7, 0x20, {0xAA}));
            const Expect expect = number == 3 ? c.atFrame3 : Expect::Ok;
            SCOPED_TRACE(std::string(c.what) + ", frame " + std::to_string(number));
            switch (expect) {
                case Expect::Ok:
                case Expect::Status1:
                    ASSERT_TRUE(reply.has_value());
                    EXPECT_TRUE(IsSealedFrame(*reply));
                    EXPECT_EQ((*reply)[10], 0xC7);
                    EXPECT_EQ((*reply)[11], expect == Expect::Ok ? 0x00 : 0x01);
                    break;
                case Expect::None:
                    EXPECT_FALSE(reply.has_value());
                    break;
                case Expect::NotAReply:
                    ASSERT_TRUE(reply.has_value());
                    EXPECT_FALSE(IsSealedFrame(*reply));
                    EXPECT_TRUE(reply->size() <= 10 || (*reply)[10] != 0xC7);
                    break;
                case Expect::BadCrc:
                    ASSERT_TRUE(reply.has_value());
                    EXPECT_EQ((*reply)[10], 0xC7);
                    EXPECT_EQ((*reply)[11], 0x00);
                    EXPECT_FALSE(IsSealedFrame(*reply));
                    break;
            }
        }
        const auto received = device.Received();
        ASSERT_EQ(received.size(), 4U);
        EXPECT_EQ(received[2].answered, c.atFrame3 != Expect::None) << c.what;
    }
}

TEST_F(OrvaneDeviceTest, SilentDeviceAnswersNothingButStillRestarts) {
    DeviceConfig config;
    config.silent = true;
    OrvaneDevice device(config);
    EXPECT_FALSE(Send(device, Request(0x18, 0x01)).has_value());
    EXPECT_FALSE(Send(device, Request(0xC7, 0x10)).has_value());
    EXPECT_FALSE(Send(device, Request(0xC7, 0x20)).has_value());
    EXPECT_TRUE(device.InBootloader());
    EXPECT_FALSE(device.OnBus());
}

TEST_F(OrvaneDeviceTest, HangsUpForGoodOnItsFrame) {
    DeviceConfig config;
    config.hangUpFrame = 2;
    config.restartMs = 10;
    OrvaneDevice device(config);
    EXPECT_TRUE(Send(device, Request(0xC7, 0x20)).has_value());
    m_clock.Advance(10);
    EXPECT_FALSE(Send(device, Request(0xC7, 0x20)).has_value());
    EXPECT_TRUE(device.HungUp());
    m_clock.Advance(100000);
    EXPECT_FALSE(device.OnBus());
    EXPECT_FALSE(Send(device, Request(0x18, 0x01)).has_value());
}

TEST_F(OrvaneDeviceTest, RecordsEveryRequestWithItsTime) {
    OrvaneDevice device;
    m_clock.Advance(40);
    const auto probe = Request(0x18, 0x01);
    Send(device, probe);
    m_clock.Advance(500);
    const std::vector<uint8_t> fragment = {'Z', 'e', 'n'};
    EXPECT_FALSE(Send(device, fragment).has_value()) << "a fragment is not a request";

    const auto received = device.Received();
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[0].atMs, 40U);
    EXPECT_EQ(received[0].bytes, probe);
    EXPECT_TRUE(received[0].answered);
    EXPECT_EQ(received[1].atMs, 540U);
    EXPECT_EQ(received[1].bytes, fragment);
    EXPECT_FALSE(received[1].answered);

    device.ClearReceived();
    EXPECT_TRUE(device.Received().empty());
}

TEST_F(OrvaneDeviceTest, CutsAVersionTextToWhatOneLengthByteCanSay) {
    DeviceConfig config;
    config.version = std::string(300, 'v');
    OrvaneDevice device(config);
    const auto reply = Send(device, Request(0xC7, 0x10));
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(IsSealedFrame(*reply));
    EXPECT_EQ((*reply)[12], 0x00);
    EXPECT_EQ((*reply)[13], 0xFF);
}

}  // namespace
}  // namespace orvane::sim
