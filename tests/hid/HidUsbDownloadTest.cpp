// Whole USB downloads through the worker, the link and the real hidapi back end, over the
// stand-in hidapi and a sysfs tree, with the simulated device leaving the bus at its restarts
// and coming back on a new hidraw node.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OrvaneUsbModel.h"
#include "download/DownloadWorker.h"
#include "download/WorkerWindow.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/MessageFrame.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"

namespace {

using orvane::sim::OrvaneDevice;
using Frames = std::vector<std::vector<uint8_t>>;

constexpr uint16_t kVid = 0x0ACD;
constexpr uint16_t kPid = 0x3710;

class LogWindow final : public CWorkerWindow {
public:
    void LogRefresh() override {
        std::lock_guard lock(m_logGuard);
        refreshes.push_back(m_strLog);
    }
    std::vector<std::string> refreshes;  // the log as each refresh saw it
};

class HidUsbDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakehidapi::Reset();
        m_window.m_nVid = kVid;
        m_window.m_nPid = kPid;
    }
    void TearDown() override {
        g_hidLink.SetBackend(nullptr);
        g_interfaceKind = 0;
        m_backend.reset();
        m_bus.reset();
        orvane::SetClock(nullptr);
        fakehidapi::Reset();
        if (!m_window.m_strFilePath.empty()) {
            std::error_code ignored;
            std::filesystem::remove(m_window.m_strFilePath, ignored);
        }
    }

    // Puts the device on the bus (after the clock is chosen: the device keeps time on it),
    // opens and probes g_hidLink as Load does, and writes `frames` as a USB script.
    void Prepare(const Frames& frames, orvane::sim::DeviceConfig config = {}) {
        g_hidLink.SetBackend(nullptr);
        m_backend.reset();
        m_bus.reset();
        fakehidapi::Reset();
        m_device = std::make_unique<OrvaneDevice>(config);
        m_bus = std::make_unique<hidtest::UsbBus>(*m_device);
        m_backend = orvane::MakeHidapiBackend([this] { return m_bus->Enumerate(); });
        g_hidLink.SetBackend(m_backend.get());
        g_interfaceKind = 1;
        ASSERT_EQ(g_hidLink.Open(kVid, kPid), 1);
        ASSERT_TRUE(ProbeLink());
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_window.m_strFilePath = (std::filesystem::temp_directory_path() /
                                  (std::string("orvane-hid-") + info->name() + ".txt"))
                                     .string();
        std::ofstream(m_window.m_strFilePath, std::ios::binary)
            << orvane::sim::MakeScript(frames, true);
        m_device->ClearReceived();
    }

    // The requests the device heard, each as the frame it was.
    std::vector<std::vector<uint8_t>> Heard() const {
        std::vector<std::vector<uint8_t>> heard;
        for (const auto& frame : m_device->Received()) {
            heard.push_back(frame.bytes);
        }
        return heard;
    }

    orvane::VirtualClock m_clock;  // installed by the tests that run on it
    std::unique_ptr<OrvaneDevice> m_device;
    std::unique_ptr<hidtest::UsbBus> m_bus;
    std::unique_ptr<orvane::IHidBackend> m_backend;
    LogWindow m_window;
};

const std::vector<uint8_t> kPoll(frame::kPollRequest.begin(), frame::kPollRequest.end());
const std::vector<uint8_t> kVersion = OrvaneDevice::MakeFrame(0xC7, 0x10);

TEST_F(HidUsbDownloadTest, PlaysADownloadAcrossTwoReEnumerationsOnTheVirtualClock) {
    orvane::SetClock(&m_clock);
    const Frames frames = orvane::sim::DownloadFrames(3, 100, true);  // 0x13 .. 0x16
    orvane::sim::DeviceConfig config;
    config.version = "V2.40";
    ASSERT_NO_FATAL_FAILURE(Prepare(frames, config));
    m_clock.ClearSleeps();

    EXPECT_EQ(DownloadWorker(&m_window), 0U);

    EXPECT_EQ(m_window.m_strLog,
              "Enter bootloader mode success!\r\n"
              "Start bootloader.\r\n"
              "BL Version:V2.40\r\n"
              "Start send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\n"
              "Loading firmware ... Package 2\r\n"
              "Loading firmware ... Package 3\r\n"
              "Loading firmware ... Package 4\r\n"
              "Firmware Successfully Downloaded.\r\n");
    ASSERT_EQ(m_window.refreshes.size(), 9U) << "one refresh per line";
    EXPECT_EQ(m_window.refreshes.back(), m_window.m_strLog);
    EXPECT_EQ(Heard(), (Frames{frames[0], kPoll, frames[1], kVersion, frames[2], frames[3],
                               frames[4], frames[5], frames[6]}));
    for (const auto& frame : m_device->Received()) {
        EXPECT_TRUE(frame.answered);
    }
    EXPECT_FALSE(m_device->InBootloader()) << "the finish took it back to the application";

    // Frame 1's reply is never read: the old node fails at once, so only the worker's pauses
    // pass. The finish's reply is read at once on the node it comes back on.
    using Sleeps = std::vector<uint32_t>;
    Sleeps expected = {500, 200};              // frame 1
    expected.insert(expected.end(), 10, 200);  // after each further read of the old node
    expected.push_back(200);                   // the poll
    expected.insert(expected.end(), {500, 200, 2000, 0});  // frame 2, the erase
    expected.insert(expected.end(), {200, 200, 0});        // the version line
    expected.insert(expected.end(), {500, 200, 0});        // frame 3
    for (int package = 0; package < 3; ++package) {
        expected.insert(expected.end(), {500, 200});
    }
    expected.insert(expected.end(), {500, 200, 4000});  // the finish
    EXPECT_EQ(m_clock.Sleeps(), expected);

    // Every search opens the mouse on hidraw0 first and passes it by. Load's open finds the
    // device on hidraw1, the reopen after frame 1 and the poll's find the bootloader on hidraw2,
    // the reopen after the finish finds the application on hidraw3.
    EXPECT_EQ(
        fakehidapi::GetStats().openedPaths,
        (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw0", "/dev/hidraw2",
                                  "/dev/hidraw0", "/dev/hidraw2", "/dev/hidraw0", "/dev/hidraw3"}));
    EXPECT_STREQ(g_hidLink.DevicePath(), "/dev/hidraw3");
}

// A slow restart outlasts the 200 ms before the reopen that follows a 0xC7/0x15 frame: the link
// stays closed and the reply check fails, where a quick one passes.
TEST_F(HidUsbDownloadTest, ARestartInPlacePassesOnlyWhenTheDeviceIsBackForTheReopen) {
    const Frames frames = {OrvaneDevice::MakeFrame(0xC7, 0x13), OrvaneDevice::MakeFrame(0xC7, 0x13),
                           OrvaneDevice::MakeFrame(0xC7, 0x15),
                           OrvaneDevice::MakeFrame(0xC7, 0x13)};
    struct Case {
        uint32_t restartMs;
        const char* logEnd;
    };
    const Case cases[] = {
        {100,
         "Start send bootloader command.\r\nLoading firmware ... Package 1\r\n"
         "Firmware Successfully Downloaded.\r\n"},
        {300, "BL Version:SIM-2\r\nSend command fail.\r\n"},
    };
    orvane::SetClock(&m_clock);
    for (const Case& c : cases) {
        orvane::sim::DeviceConfig config;
        config.restartMs = c.restartMs;
        ASSERT_NO_FATAL_FAILURE(Prepare(frames, config));
        m_window.m_strLog.clear();

        EXPECT_EQ(DownloadWorker(&m_window), 0U);

        EXPECT_TRUE(m_window.m_strLog.ends_with(c.logEnd)) << c.restartMs << m_window.m_strLog;
        EXPECT_EQ(Heard().back(), c.restartMs == 100 ? frames[3] : frames[2]) << c.restartMs;
    }
}

TEST_F(HidUsbDownloadTest, PlaysADownloadInRealTimeOnAWorkerThread) {
    // Without the erase and the finish, whose fixed waits alone take six seconds.
    Frames frames = orvane::sim::DownloadFrames(2, 100, false);
    frames.erase(frames.begin() + 1);  // 0x13, 0x14, two packages
    ASSERT_NO_FATAL_FAILURE(Prepare(frames));

    const auto start = std::chrono::steady_clock::now();
    std::thread worker([this] { DownloadWorker(&m_window); });
    worker.join();
    const auto spent = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(m_window.m_strLog,
              "Enter bootloader mode success!\r\n"
              "Start bootloader.\r\n"
              "BL Version:SIM-2\r\n"
              "Start send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\n"
              "Firmware Successfully Downloaded.\r\n");
    EXPECT_EQ(Heard(), (Frames{frames[0], kPoll, frames[1], kVersion, frames[2], frames[3]}));
    // 4 x 700 ms per frame, 2000 ms of pauses after frame 1, 200 for the poll, 2 x 200 for the
    // version line.
    EXPECT_GE(spent, std::chrono::milliseconds(5400));
    EXPECT_LT(spent, std::chrono::milliseconds(9000));
    EXPECT_EQ(fakehidapi::GetStats().openedPaths,
              (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw0",
                                        "/dev/hidraw2", "/dev/hidraw0", "/dev/hidraw2"}));
}

}  // namespace
