#include "sim/SimHidBackend.h"

#include <gtest/gtest.h>

#include <array>

#include "link/MessageFrame.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "tests/sim/FrameCheck.h"

namespace orvane::sim {
namespace {

using Report = std::array<uint8_t, 64>;

std::vector<uint8_t> Sequence(std::size_t n) {
    std::vector<uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return bytes;
}

class SimHidBackendTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&m_clock); }
    void TearDown() override { SetClock(nullptr); }

    // Sends `message` as the link's WriteMessage would.
    static void WriteMessage(IHidDevice& handle, const std::vector<uint8_t>& message) {
        for (const auto& report : SimHidBackend::CutIntoReports(message)) {
            ASSERT_EQ(handle.Write(report.data(), report.size()), 64);
        }
    }

    // Joins reports into one frame by position code (no waiting beyond `timeoutMs` each).
    static std::vector<uint8_t> ReadMessage(IHidDevice& handle, int timeoutMs = 500) {
        std::vector<uint8_t> joined;
        Report report{};
        while (handle.Read(report.data(), report.size(), timeoutMs) == 64) {
            joined.insert(joined.end(), report.begin() + 1, report.end());
            if (report[0] == 1 || report[0] == 4) {
                joined.resize(frame::TotalSize(joined.data()));
                return joined;
            }
        }
        return {};
    }

    VirtualClock m_clock;
};

TEST_F(SimHidBackendTest, CutsMessagesLikeTheLinkDoes) {
    struct Case {
        std::size_t size;
        std::vector<uint8_t> codes;
    };
    const Case cases[] = {
        {16, {1}},        {63, {1}},
        {64, {2, 4}},     {126, {2, 4}},
        {127, {2, 3, 4}}, {1024, {2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4}}};
    for (const Case& c : cases) {
        const auto message = Sequence(c.size);
        const auto reports = SimHidBackend::CutIntoReports(message);
        ASSERT_EQ(reports.size(), c.codes.size()) << c.size;
        std::vector<uint8_t> joined;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            ASSERT_EQ(reports[i].size(), 64U);
            EXPECT_EQ(reports[i][0], c.codes[i]) << c.size << " report " << i;
            joined.insert(joined.end(), reports[i].begin() + 1, reports[i].end());
        }
        joined.resize(c.size);
        EXPECT_EQ(joined, message) << c.size;
    }

    // An only report is padded with zeros; a last report keeps the tail of the one before.
    const auto only = SimHidBackend::CutIntoReports(Sequence(16));
    EXPECT_EQ(only[0][16], 16);
    EXPECT_EQ(only[0][17], 0);
    EXPECT_EQ(only[0][63], 0);
    const auto two = SimHidBackend::CutIntoReports(Sequence(64));
    EXPECT_EQ(two[1][1], 64);
    for (std::size_t i = 2; i < 64; ++i) {
        EXPECT_EQ(two[1][i], two[0][i]) << i;
    }
}

TEST_F(SimHidBackendTest, ShowsOneDeviceWithTheConfiguredIds) {
    DeviceConfig config;
    config.vendorId = 0x1234;
    config.productId = 0xBEEF;
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    const auto found = backend.Enumerate();
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].path, "sim:hidraw0");
    EXPECT_EQ(found[0].vendorId, 0x1234);
    EXPECT_EQ(found[0].productId, 0xBEEF);
    EXPECT_EQ(backend.OpenPath("/dev/hidraw0"), nullptr);
    auto handle = backend.OpenPath("sim:hidraw0");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->InputReportLength(), 64U);
    EXPECT_EQ(handle->OutputReportLength(), 64U);
}

TEST_F(SimHidBackendTest, JoinsRequestsAndCutsRepliesIntoReports) {
    DeviceConfig config;
    config.version = std::string(60, 'x');  // a 76-byte reply: two reports
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    ASSERT_NE(handle, nullptr);

    const auto request = OrvaneDevice::MakeFrame(0xC7, 0x10, Sequence(70));  // 86 bytes
    WriteMessage(*handle, request);
    const auto received = device.Received();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].bytes, request) << "joined without the padding of the last report";

    const auto reply = ReadMessage(*handle);
    EXPECT_TRUE(test::IsSealedFrame(reply));
    ASSERT_EQ(reply.size(), 76U);
    EXPECT_EQ(std::string(reply.begin() + 14, reply.end() - 2), config.version);
    EXPECT_EQ(m_clock.NowMs(), 0U) << "a due reply is read without waiting";
}

TEST_F(SimHidBackendTest, IgnoresReportsWithoutAPositionCode) {
    OrvaneDevice device;
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    // A frame that was never cut into reports: byte 0 is the magic's 'Z'.
    Report raw{};
    const auto probe = OrvaneDevice::MakeFrame(0x18, 0x01);
    std::copy(probe.begin(), probe.end(), raw.begin());
    EXPECT_EQ(handle->Write(raw.data(), raw.size()), 64);
    Report last{};
    last[0] = 4;  // a last report with no first one
    EXPECT_EQ(handle->Write(last.data(), last.size()), 64);
    EXPECT_TRUE(device.Received().empty());
    Report in{};
    EXPECT_EQ(handle->Read(in.data(), in.size(), 500), 0);
}

TEST_F(SimHidBackendTest, ReadWaitsOnTheVirtualClockForALateReply) {
    DeviceConfig config;
    config.replyDelayMs = 700;
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    WriteMessage(*handle, OrvaneDevice::MakeFrame(0x18, 0x01));

    Report report{};
    EXPECT_EQ(handle->Read(report.data(), report.size(), 500), 0);
    EXPECT_EQ(m_clock.NowMs(), 500U) << "a timed-out read spends its whole wait";
    EXPECT_EQ(handle->Read(report.data(), report.size(), 500), 64);
    EXPECT_EQ(m_clock.NowMs(), 700U) << "the read ends when the reply is due";
    EXPECT_EQ(report[0], 1);
    EXPECT_EQ(report[11], 0x18);
    EXPECT_TRUE(m_clock.Sleeps().empty()) << "time inside a read is not a wait";
}

TEST_F(SimHidBackendTest, ReEnumeratesAfterARestartAndOldHandlesStayDead) {
    DeviceConfig config;
    config.restartMs = 300;
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto before = backend.OpenPath(SimHidBackend::kPath);
    WriteMessage(*before, OrvaneDevice::MakeFrame(0xC7, 0x20));  // frame 1: into the bootloader

    Report report{};
    EXPECT_TRUE(backend.Enumerate().empty());
    EXPECT_EQ(backend.OpenPath(SimHidBackend::kPath), nullptr);
    EXPECT_EQ(before->Read(report.data(), report.size(), 500), -1);
    EXPECT_EQ(before->Write(report.data(), report.size()), -1);
    EXPECT_EQ(m_clock.NowMs(), 0U) << "a removed device fails at once";

    m_clock.Advance(299);
    EXPECT_TRUE(backend.Enumerate().empty());
    m_clock.Advance(1);
    ASSERT_EQ(backend.Enumerate().size(), 1U);
    EXPECT_EQ(before->Read(report.data(), report.size(), 500), -1) << "still the old device";
    ASSERT_NE(backend.OpenPath(SimHidBackend::kPath), nullptr);
}

// Frame 1, a restart in place and the finish all answer on the connection opened after the
// device is back; the reply waits for the return, and for the reply delay when that is longer.
TEST_F(SimHidBackendTest, AnswersARestartFrameOnTheNewConnection) {
    struct Case {
        uint8_t sub;
        bool first;  // sent as script frame 1
        uint32_t replyDelayMs;
        uint32_t openAtMs;  // after the restart frame, when the host opens the device again
        uint32_t readAtMs;  // after the restart frame, when the reply is in the host's hands
    };
    const Case cases[] = {
        {0x13, true, 0, 200, 200},
        {0x15, false, 0, 100, 100},
        {0x16, false, 0, 4200, 4200},
        {0x15, false, 250, 100, 250},
    };
    for (const Case& c : cases) {
        DeviceConfig config;
        config.restartMs = 100;
        config.replyDelayMs = c.replyDelayMs;
        OrvaneDevice device(config);
        SimHidBackend backend(device);
        auto before = backend.OpenPath(SimHidBackend::kPath);
        if (!c.first) {
            WriteMessage(*before, OrvaneDevice::MakeFrame(0xC7, 0x13));
            m_clock.Advance(100);
            before = backend.OpenPath(SimHidBackend::kPath);
            ASSERT_NE(before, nullptr);
            ASSERT_EQ(ReadMessage(*before).size(), 16U) << "frame 1's own reply";
            device.ClearReceived();
        }
        const uint64_t start = m_clock.NowMs();
        const auto restart = OrvaneDevice::MakeFrame(0xC7, c.sub, {0x5A});
        WriteMessage(*before, restart);
        Report report{};
        EXPECT_EQ(before->Read(report.data(), report.size(), 500), -1) << int{c.sub};

        m_clock.Advance(c.openAtMs);
        auto after = backend.OpenPath(SimHidBackend::kPath);
        ASSERT_NE(after, nullptr) << int{c.sub};
        const auto reply = ReadMessage(*after);
        EXPECT_EQ(m_clock.NowMs() - start, c.readAtMs) << int{c.sub};
        ASSERT_TRUE(test::IsSealedFrame(reply)) << int{c.sub};
        EXPECT_EQ(reply, OrvaneDevice::MakeFrame(0xC7, 0x00)) << int{c.sub};
        EXPECT_EQ(after->Read(report.data(), report.size(), 100), 0) << "handed out once";
        ASSERT_EQ(device.Received().size(), 1U);
        EXPECT_EQ(device.Received()[0].bytes, restart);
    }
}

TEST_F(SimHidBackendTest, ARestartReplyNobodyReadIsReplacedByTheNextRequest) {
    DeviceConfig config;
    config.restartMs = 100;
    config.failFrame = 1;  // frame 1's reply (status 1) tells itself from the poll's (status 0)
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto before = backend.OpenPath(SimHidBackend::kPath);
    WriteMessage(*before, OrvaneDevice::MakeFrame(0xC7, 0x13));
    m_clock.Advance(2200);
    auto after = backend.OpenPath(SimHidBackend::kPath);
    ASSERT_NE(after, nullptr);

    WriteMessage(*after,
                 std::vector<uint8_t>(frame::kPollRequest.begin(), frame::kPollRequest.end()));
    const auto reply = ReadMessage(*after);
    ASSERT_EQ(reply.size(), 16U);
    EXPECT_EQ(reply[10], 0xC7);
    EXPECT_EQ(reply[11], 0x00) << "the poll's reply, not frame 1's";
    Report report{};
    EXPECT_EQ(after->Read(report.data(), report.size(), 100), 0);
}

TEST_F(SimHidBackendTest, AReplyQueuedWhenTheDeviceLeavesIsLost) {
    DeviceConfig config;
    config.restartMs = 100;
    config.version = "V9";
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    WriteMessage(*handle, OrvaneDevice::MakeFrame(0xC7, 0x13));  // frame 1
    m_clock.Advance(100);
    handle = backend.OpenPath(SimHidBackend::kPath);
    ASSERT_EQ(ReadMessage(*handle).size(), 16U);

    // The version reply is left unread when frame 2 restarts the device in place.
    WriteMessage(*handle, OrvaneDevice::MakeFrame(0xC7, 0x10));
    WriteMessage(*handle, OrvaneDevice::MakeFrame(0xC7, 0x15));
    m_clock.Advance(100);
    handle = backend.OpenPath(SimHidBackend::kPath);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ReadMessage(*handle), OrvaneDevice::MakeFrame(0xC7, 0x00)) << "0x15's reply only";
    Report report{};
    EXPECT_EQ(handle->Read(report.data(), report.size(), 100), 0);
}

TEST_F(SimHidBackendTest, DropsARequestCutOffByARestart) {
    DeviceConfig config;
    config.restartMs = 100;
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto before = backend.OpenPath(SimHidBackend::kPath);
    const auto reports =
        SimHidBackend::CutIntoReports(OrvaneDevice::MakeFrame(0xC7, 0x20, Sequence(70)));
    ASSERT_EQ(reports.size(), 2U);
    ASSERT_EQ(before->Write(reports[0].data(), 64), 64);
    // The device restarts (frame 1 over another face) before the last report comes.
    const auto frame1 = OrvaneDevice::MakeFrame(0xC7, 0x13);
    device.Handle(frame1.data(), frame1.size());
    m_clock.Advance(100);
    auto after = backend.OpenPath(SimHidBackend::kPath);
    ASSERT_NE(after, nullptr);
    ASSERT_EQ(after->Write(reports[1].data(), 64), 64);
    ASSERT_EQ(device.Received().size(), 1U) << "the half request is not completed";
}

TEST_F(SimHidBackendTest, AHungUpDeviceNeverComesBack) {
    OrvaneDevice device;
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    device.HangUp();
    m_clock.Advance(1000000);
    EXPECT_TRUE(backend.Enumerate().empty());
    EXPECT_EQ(backend.OpenPath(SimHidBackend::kPath), nullptr);
    Report report{};
    EXPECT_EQ(handle->Read(report.data(), report.size(), 500), -1);
}

TEST(SimHidBackendRealTime, ReadWaitsInRealTimeWithoutAVirtualClock) {
    DeviceConfig config;
    config.replyDelayMs = 60;
    OrvaneDevice device(config);
    SimHidBackend backend(device);
    auto handle = backend.OpenPath(SimHidBackend::kPath);
    const auto probe = OrvaneDevice::MakeFrame(0x18, 0x01);
    for (const auto& report : SimHidBackend::CutIntoReports(probe)) {
        handle->Write(report.data(), report.size());
    }
    Report report{};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(handle->Read(report.data(), report.size(), 2000), 64);
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(55));
    EXPECT_LT(spent, std::chrono::milliseconds(1000));
    EXPECT_EQ(report[11], 0x18);
}

}  // namespace
}  // namespace orvane::sim
