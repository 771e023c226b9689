// A download pinned to one of several identical USB devices: every reopen after a restart finds
// its own device again, under its new HID path, and never the other one with the same ids.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "download/DownloadWorker.h"
#include "download/WorkerWindow.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/SimHidBackend.h"

namespace {

using orvane::HidDeviceIdentity;
using orvane::HidDeviceInfo;
using orvane::sim::OrvaneDevice;
using orvane::sim::SimHidBackend;

constexpr uint16_t kVid = 0x0ACD;
constexpr uint16_t kPid = 0x3710;

class LogWindow final : public CWorkerWindow {
public:
    void LogRefresh() override {}
};

class HidPinTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::SetClock(&m_clock);
        m_first = std::make_unique<OrvaneDevice>();
        m_second = std::make_unique<OrvaneDevice>();
        m_backend = std::make_unique<SimHidBackend>(
            std::vector<OrvaneDevice*>{m_first.get(), m_second.get()});
        g_hidLink.SetBackend(m_backend.get());
        g_interfaceKind = 1;
    }
    void TearDown() override {
        g_hidLink.Pin({});
        g_hidLink.SetBackend(nullptr);
        g_interfaceKind = 0;
        m_backend.reset();
        orvane::SetClock(nullptr);
        std::error_code ignored;
        std::filesystem::remove(m_script, ignored);
    }

    HidDeviceInfo InfoOf(std::size_t index) {
        const auto found = m_backend->Enumerate();
        return found.at(index);
    }

    // Script frames each device heard, without the probes, polls and version queries.
    static std::vector<std::vector<uint8_t>> ScriptFramesOf(const OrvaneDevice& device) {
        std::vector<std::vector<uint8_t>> frames;
        for (const auto& r : device.Received()) {
            const bool own = (r.bytes[10] == 0x18) ||
                             (r.bytes[10] == 0xC7 && (r.bytes[11] == 0x10 || r.bytes[11] == 0x11));
            if (!own) {
                frames.push_back(r.bytes);
            }
        }
        return frames;
    }

    orvane::VirtualClock m_clock;
    std::unique_ptr<OrvaneDevice> m_first;
    std::unique_ptr<OrvaneDevice> m_second;
    std::unique_ptr<SimHidBackend> m_backend;
    std::string m_script;
};

TEST_F(HidPinTest, EnumeratesIdenticalDevicesWithTheirOwnSerialAndPortPath) {
    const auto found = m_backend->Enumerate();
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].path, "sim:hidraw0");
    EXPECT_EQ(found[1].path, "sim:hidraw1");
    EXPECT_EQ(found[0].serialNumber, "SIM0001");
    EXPECT_EQ(found[1].serialNumber, "SIM0002");
    EXPECT_EQ(found[0].portPath, "sim-1.1");
    EXPECT_EQ(found[1].portPath, "sim-1.2");
    EXPECT_EQ(found[1].vendorId, kVid);
    EXPECT_EQ(found[1].productId, kPid);
}

TEST_F(HidPinTest, ARestartedDeviceComesBackUnderANewPathAtTheSamePort) {
    const auto probe = OrvaneDevice::MakeFrame(0x18, 0x01);
    m_second->Respond(probe.data(), probe.size());
    const auto enter = OrvaneDevice::MakeFrame(0xC7, 0x13);
    m_second->Respond(enter.data(), enter.size());  // script frame 1: into the bootloader
    ASSERT_EQ(m_backend->Enumerate().size(), 1U) << "off the bus while it restarts";
    m_clock.Advance(m_second->Config().restartMs);
    const HidDeviceInfo back = InfoOf(1);
    EXPECT_EQ(back.path, "sim:hidraw3");
    EXPECT_EQ(back.portPath, "sim-1.2");
    EXPECT_EQ(back.serialNumber, "SIM0002");
    EXPECT_EQ(m_backend->OpenPath("sim:hidraw1"), nullptr) << "the old path is gone";
}

TEST_F(HidPinTest, OpenTakesOnlyThePinnedDevice) {
    ASSERT_EQ(g_hidLink.Open(kVid, kPid), 1);
    EXPECT_STREQ(g_hidLink.DevicePath(), "sim:hidraw0") << "unpinned: the first with the ids";

    struct Case {
        const char* name;
        HidDeviceIdentity pin;
        int opened;
        const char* path;
    } const cases[] = {
        {"port path", {"sim-1.2", "", ""}, 1, "sim:hidraw1"},
        {"port path wins over serial", {"sim-1.2", "SIM0001", ""}, 1, "sim:hidraw1"},
        {"serial without port path", {"", "SIM0002", ""}, 1, "sim:hidraw1"},
        {"HID path alone", {"", "", "sim:hidraw1"}, 1, "sim:hidraw1"},
        {"a port with no device", {"sim-1.9", "", ""}, 0, nullptr},
    };
    for (const Case& c : cases) {
        g_hidLink.Pin(c.pin);
        EXPECT_EQ(g_hidLink.Open(kVid, kPid), c.opened) << c.name;
        EXPECT_EQ(g_hidLink.IsOpen(), c.opened == 1) << c.name;
        if (c.path != nullptr) {
            EXPECT_STREQ(g_hidLink.DevicePath(), c.path) << c.name;
        }
    }
}

// The second device's download restarts it at frame 1, at 0xC7/0x15 and at 0xC7/0x16, while the
// first one (same ids, enumerated first) restarts on its own too. Unpinned, a reopen while the
// second is off the bus lands on the first: the fixture shows the fault the pin mends.
TEST_F(HidPinTest, EveryReopenOfAPinnedDownloadLandsOnItsOwnDevice) {
    auto frames = orvane::sim::DownloadFrames(2, 16, true);
    frames.insert(frames.begin() + 3, OrvaneDevice::MakeFrame(0xC7, 0x15));
    for (const bool pinned : {true, false}) {
        SetUp();
        m_script = (std::filesystem::temp_directory_path() / "orvane-station-pin.txt").string();
        std::ofstream(m_script, std::ios::binary) << orvane::sim::MakeScript(frames, true);
        g_hidLink.Pin(pinned ? HidDeviceIdentity::Of(InfoOf(1)) : HidDeviceIdentity{});
        // Load's open: unpinned it would take the first device, so open the second by its path.
        g_hidLink.Pin(HidDeviceIdentity{"", "", InfoOf(1).path});
        ASSERT_EQ(g_hidLink.Open(kVid, kPid), 1);
        ASSERT_TRUE(ProbeLink());
        g_hidLink.Pin(pinned ? HidDeviceIdentity::Of(InfoOf(1)) : HidDeviceIdentity{});
        // The first device restarts as well, so that both come and go during the download.
        const auto probe = OrvaneDevice::MakeFrame(0x18, 0x01);
        const auto enter = OrvaneDevice::MakeFrame(0xC7, 0x13);
        m_first->Respond(probe.data(), probe.size());
        m_first->Respond(enter.data(), enter.size());
        m_first->ClearReceived();
        m_second->ClearReceived();

        LogWindow window;
        window.m_nVid = kVid;
        window.m_nPid = kPid;
        window.m_strFilePath = m_script;
        DownloadWorker(&window);

        if (pinned) {
            EXPECT_TRUE(m_first->Received().empty()) << "nothing reached the other device";
            EXPECT_EQ(ScriptFramesOf(*m_second), frames);
            EXPECT_NE(window.m_strLog.find("Firmware Successfully Downloaded.\r\n"),
                      std::string::npos)
                << window.m_strLog;
        } else {
            EXPECT_FALSE(m_first->Received().empty()) << "unpinned reopens reach the other one";
        }
        TearDown();
    }
}

}  // namespace
