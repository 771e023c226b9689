// The simulated device's in-process RS232 face, reached by name through the system serial
// back end as --simulate reaches it on Windows, on the virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "link/LinkProbe.h"
#include "link/MessageFrame.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/InProcessSerial.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/SimInProcessSerial.h"
#include "sim/SimSerialPort.h"

namespace orvane {
namespace {

constexpr const char* kMode = "baud=19200 parity=N stop=1 data=8";

class SimSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&m_clock); }
    void TearDown() override {
        g_serialLink.Close();
        SetClock(nullptr);
    }

    VirtualClock m_clock;
};

TEST_F(SimSerialPortTest, TheScanFindsTheDeviceByNameAndTheProbeWaitsOnlyItsOwnWait) {
    sim::OrvaneDevice device;
    sim::SimInProcessSerial face(device);
    ASSERT_TRUE(face.Start());
    g_interfaceKind = 0;
    g_serialLink.Close();
    EXPECT_EQ(ScanSerialPorts({"\\\\.\\COM39", face.SlavePath()}, 19200), 1);
    EXPECT_TRUE(g_serialLink.IsOpen());
    // COM39 is not there: the one wait is the probe's on sim:COM1.
    EXPECT_EQ(m_clock.Sleeps(), std::vector<uint32_t>{500});
    const auto received = device.Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().bytes, std::vector<uint8_t>(frame::kLinkProbeRequest.begin(),
                                                          frame::kLinkProbeRequest.end()));
}

TEST_F(SimSerialPortTest, ReadKeepsTheDriversTimeOuts) {
    sim::DeviceConfig config;
    config.replyDelayMs = 30;
    sim::OrvaneDevice device(config);
    sim::SimSerialPort port(device);
    ASSERT_TRUE(port.Open("sim:COM1", kMode));
    ASSERT_EQ(port.Write(frame::kLinkProbeRequest.data(), 16), 16);
    const uint64_t start = m_clock.NowMs();
    uint8_t buf[512] = {};
    // The reply comes 30 ms on; the read then waits 50 ms for more and returns it whole.
    EXPECT_EQ(port.Read(buf, sizeof buf), 16);
    EXPECT_EQ(m_clock.NowMs() - start, 80U);
    EXPECT_EQ(buf[frame::kOffCommand], frame::kCmdLinkProbe);
    // A silent line: 0 after 200 ms.
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);
    EXPECT_EQ(m_clock.NowMs() - start, 280U);
    // A short read stops at its room; the rest follows in the next read.
    ASSERT_EQ(port.Write(frame::kLinkProbeRequest.data(), 16), 16);
    EXPECT_EQ(port.Read(buf, 10), 10);
    EXPECT_EQ(port.Read(buf, sizeof buf), 6);
    EXPECT_TRUE(m_clock.Sleeps().empty());  // the line's time is not the caller's waits
}

TEST_F(SimSerialPortTest, RefusesWhatTheRealBackEndsRefuse) {
    sim::OrvaneDevice device;
    sim::SimSerialPort port(device);
    EXPECT_FALSE(port.Open("sim:COM1", "baud=0 parity=N stop=1 data=8"));
    EXPECT_FALSE(port.Open("sim:COM1", "speed=fast"));
    EXPECT_FALSE(port.IsOpen());
    uint8_t buf[16] = {};
    EXPECT_EQ(port.Read(buf, sizeof buf), -1);
    EXPECT_EQ(port.Write(buf, sizeof buf), -1);
    ASSERT_TRUE(port.Open("sim:COM1", kMode));
    EXPECT_FALSE(port.Open("sim:COM1", kMode));
}

TEST_F(SimSerialPortTest, AHungUpDeviceOrAStoppedFaceFailsLikeAVanishedPort) {
    sim::OrvaneDevice device;
    sim::SimInProcessSerial face(device);
    ASSERT_TRUE(face.Start());
    auto port = MakeInProcessSerialPort(sim::SimInProcessSerial::kPortName);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(port->Open(sim::SimInProcessSerial::kPortName, kMode));
    uint8_t buf[16] = {};
    face.Stop();
    EXPECT_EQ(port->Write(frame::kLinkProbeRequest.data(), 16), -1);
    EXPECT_EQ(port->Read(buf, sizeof buf), -1);
    EXPECT_EQ(MakeInProcessSerialPort(sim::SimInProcessSerial::kPortName), nullptr);

    ASSERT_TRUE(face.Start());
    auto again = MakeInProcessSerialPort(sim::SimInProcessSerial::kPortName);
    ASSERT_TRUE(again->Open(sim::SimInProcessSerial::kPortName, kMode));
    face.HangUp();
    EXPECT_EQ(again->Write(frame::kLinkProbeRequest.data(), 16), -1);
    EXPECT_EQ(again->Read(buf, sizeof buf), -1);
    again->Close();
    EXPECT_FALSE(again->Open(sim::SimInProcessSerial::kPortName, kMode));
}

// --sim-devices N: each device is served under a name of its own, freed again when it stops.
TEST_F(SimSerialPortTest, FacesRunningTogetherEachHaveTheirOwnName) {
    sim::OrvaneDevice first;
    sim::OrvaneDevice second;
    sim::SimInProcessSerial firstFace(first);
    sim::SimInProcessSerial secondFace(second);
    ASSERT_TRUE(firstFace.Start());
    ASSERT_TRUE(secondFace.Start());
    EXPECT_EQ(firstFace.SlavePath(), "sim:COM1");
    EXPECT_EQ(secondFace.SlavePath(), "sim:COM2");

    auto port = MakeInProcessSerialPort(secondFace.SlavePath());
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(port->Open(secondFace.SlavePath(), kMode));
    EXPECT_EQ(port->Write(frame::kLinkProbeRequest.data(), 16), 16);
    EXPECT_EQ(second.Received().size(), 1U);
    EXPECT_TRUE(first.Received().empty());
    port->Close();

    firstFace.Stop();
    sim::OrvaneDevice third;
    sim::SimInProcessSerial thirdFace(third);
    ASSERT_TRUE(thirdFace.Start());
    EXPECT_EQ(thirdFace.SlavePath(), "sim:COM1");
}

TEST_F(SimSerialPortTest, AStopRequestFailsAReadAtOnce) {
    sim::OrvaneDevice device;
    sim::SimSerialPort port(device);
    ASSERT_TRUE(port.Open("sim:COM1", kMode));
    m_clock.RequestStop();
    uint8_t buf[16] = {};
    const uint64_t before = m_clock.NowMs();
    EXPECT_EQ(port.Read(buf, sizeof buf), -1);
    EXPECT_EQ(m_clock.NowMs(), before);
    m_clock.ClearStop();
}

}  // namespace
}  // namespace orvane
