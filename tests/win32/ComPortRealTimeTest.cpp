// The Win32 serial back end through a real COM port, in real time: under Wine the lane links
// COMn to a pseudo-terminal served by the Linux simulator and names the ports in the
// environment (ORVANE_TEST_COM: a device that answers; ORVANE_TEST_COM_HANGUP: one that hangs
// up for good at script frame 2). Without them the tests are skipped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "cli/ConsoleWindow.h"
#include "cli/Flasher.h"
#include "link/LinkProbe.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/PortName.h"
#include "platform/SerialPortWin32.h"
#include "sim/ScriptWriter.h"
#include "tests/cli/Capture.h"

namespace orvane {
namespace {

std::string PortFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : WindowsComDeviceName(value);
}

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port = PortFromEnvironment("ORVANE_TEST_COM");
        m_hangUpPort = PortFromEnvironment("ORVANE_TEST_COM_HANGUP");
        if (m_port.empty()) {
            GTEST_SKIP() << "ORVANE_TEST_COM names no COM port";
        }
    }
    void TearDown() override { g_serialLink.Close(); }

    // Plays a four-frame script over `port` as the flasher does; returns the exit status.
    int Flash(const std::string& port) {
        cli::Options options;
        // Tests run side by side: each writes its own script.
        options.script = ::testing::TempDir() +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                         "-com-port.txt";
        std::ofstream(options.script, std::ios::binary)
            << sim::MakeScript(sim::DownloadFrames(1, 40, false), false);
        m_out = std::make_unique<test::Capture>();
        cli::ConsoleSetup setup;
        setup.out = m_out->File();
        cli::ConsoleWindow window(setup);
        InProcessHid none;
        return cli::RunFlash(options, {port}, none, window);
    }

    struct InProcessHid final : IHidBackend {
        std::vector<HidDeviceInfo> Enumerate() override { return {}; }
        std::unique_ptr<IHidDevice> OpenPath(const std::string&) override { return nullptr; }
    };

    std::string m_port;
    std::string m_hangUpPort;
    std::unique_ptr<test::Capture> m_out;
};

TEST_F(ComPortTest, PlaysAWholeDownloadThroughTheComPort) {
    EXPECT_EQ(Flash(m_port), cli::kExitSuccess);
    EXPECT_EQ(m_out->Text(),
              "Open RS232 interface success.\nStart bootloader.\nStart send bootloader command.\n"
              "Loading firmware ... Package 1\nFirmware Successfully Downloaded.\n");
}

TEST_F(ComPortTest, ASilentLineReadsNothingAfterTheDriversTimeOut) {
    auto port = MakeWin32SerialPort();
    ASSERT_TRUE(port->Open(m_port, "baud=19200 parity=N data=8 stop=1"));
    uint8_t buf[512];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->Read(buf, sizeof buf), 0);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(ms, 190);
    EXPECT_LT(ms, 1000);
}

TEST_F(ComPortTest, APortThatCannotBeOpenedFailsTheScan) {
    // No COM39 in the lane's prefix: the open fails as it does for a port another program holds.
    EXPECT_EQ(Flash("\\\\.\\COM39"), cli::kExitNoDevice);
    EXPECT_EQ(m_out->Text(), "Open RS232 interface fail.\n");
}

TEST_F(ComPortTest, APortHeldByAnotherProgramIsRefused) {
    auto holder = MakeWin32SerialPort();
    ASSERT_TRUE(holder->Open(m_port, "baud=19200 parity=N data=8 stop=1"));
    auto second = MakeWin32SerialPort();
    if (second->Open(m_port, "baud=19200 parity=N data=8 stop=1")) {
        GTEST_SKIP() << "this system does not keep a COM port to one opener (Wine does not)";
    }
    EXPECT_EQ(g_serialLink.Open(FormatLinkSpec(m_port, 19200).c_str()), 0);
    EXPECT_FALSE(g_serialLink.IsOpen());
}

TEST_F(ComPortTest, APortThatVanishesMidDownloadEndsTheRunWithTheFailureLine) {
    if (m_hangUpPort.empty()) {
        GTEST_SKIP() << "ORVANE_TEST_COM_HANGUP names no COM port";
    }
    EXPECT_EQ(Flash(m_hangUpPort), cli::kExitSendFail);
    EXPECT_EQ(m_out->Text(), "Open RS232 interface success.\nSend command fail.\n");
}

}  // namespace
}  // namespace orvane
