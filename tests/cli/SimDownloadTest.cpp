// Whole downloads through the flasher's flow against the simulated device, in real time: one
// over the pseudo-terminal, one through the simulated USB back end.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "cli/ConsoleWindow.h"
#include "cli/Flasher.h"
#include "link/HidLink.h"
#include "link/MessageFrame.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulation.h"
#include "tests/cli/Capture.h"

namespace orvane {
namespace {

using sim::OrvaneDevice;

class SimDownload : public ::testing::Test {
protected:
    void SetUp() override {
        m_frames = sim::DownloadFrames(1, 100, false);  // 4 frames, the last one 118 bytes
        m_frames[1] = OrvaneDevice::MakeFrame(0xC7, 0x17, {0x01});
    }
    void TearDown() override { g_hidLink.SetBackend(nullptr); }

    int Run(bool usb, sim::Simulation& simulation) {
        cli::Options options;
        options.usb = usb;
        options.simulate = true;
        // ctest runs each test in its own process at the same time: a shared name lets the
        // refused-script test empty another test's script under it.
        options.script = ::testing::TempDir() +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                         std::to_string(getpid()) + (usb ? "-usb.txt" : "-rs232.txt");
        std::ofstream(options.script, std::ios::binary) << sim::MakeScript(m_frames, usb);
        g_hidLink.SetBackend(simulation.HidBackend());
        m_out = std::make_unique<test::Capture>();
        m_err = std::make_unique<test::Capture>();
        cli::ConsoleSetup setup;
        setup.out = m_out->File();
        setup.err = m_err->File();
        cli::ConsoleWindow window(setup);
        return cli::RunFlash(options, simulation.SerialPorts(), *simulation.HidBackend(), window);
    }
    std::string Out() { return m_out->Text(); }
    std::string Err() { return m_err->Text(); }

    // The requests other than bootloader polls, in order.
    static std::vector<std::vector<uint8_t>> WithoutPolls(const std::vector<sim::ReceivedFrame>& in,
                                                          std::size_t* polls) {
        std::vector<std::vector<uint8_t>> out;
        *polls = 0;
        for (const auto& frame : in) {
            if (frame.bytes.size() > 11 && frame.bytes[10] == 0xC7 && frame.bytes[11] == 0x11) {
                ++*polls;
            } else {
                out.push_back(frame.bytes);
            }
        }
        return out;
    }

    std::vector<std::vector<uint8_t>> m_frames;
    std::unique_ptr<test::Capture> m_out;
    std::unique_ptr<test::Capture> m_err;
};

TEST_F(SimDownload, OverThePseudoTerminal) {
    sim::Simulation simulation;
    std::string error;
    ASSERT_TRUE(simulation.Start(&error)) << error;
    EXPECT_EQ(Run(false, simulation), 0);
    EXPECT_EQ(Out(),
              "Open RS232 interface success.\nStart bootloader.\nStart send bootloader command.\n"
              "Loading firmware ... Package 1\nFirmware Successfully Downloaded.\n");
    EXPECT_EQ(Err(), "orvane-flash: device answered on " + simulation.SerialPorts().front() + "\n");

    const auto received = simulation.Device().Received();
    ASSERT_EQ(received.size(), 5U);
    EXPECT_EQ(received[0].bytes, OrvaneDevice::MakeFrame(0x18, 0x01));
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        EXPECT_EQ(received[i + 1].bytes, m_frames[i]) << "frame " << i + 1;
    }
    // Frame 1 is followed by 500 ms, a quiet read of at least 200 ms and 5000 ms more.
    EXPECT_GE(received[2].atMs - received[1].atMs, 5700U);
    EXPECT_GE(received[3].atMs - received[2].atMs, 700U);
}

// A script that would be refused is refused before the link is opened: the device sees
// nothing, not even the probe.
TEST_F(SimDownload, ARefusedScriptTouchesNoDevice) {
    for (const bool usb : {false, true}) {
        sim::Simulation simulation;
        std::string error;
        ASSERT_TRUE(simulation.Start(&error)) << error;
        m_frames.clear();
        EXPECT_EQ(Run(usb, simulation), cli::kExitReadFail);
        EXPECT_EQ(Out(), "Read file fail.\n");
        EXPECT_NE(Err().find("refused: no frame block"), std::string::npos) << Err();
        EXPECT_TRUE(simulation.Device().Received().empty());
        m_out.reset();
        m_err.reset();
    }
}

TEST_F(SimDownload, ThroughTheUsbBackEnd) {
    sim::Simulation simulation;
    EXPECT_EQ(Run(true, simulation), 0);
    EXPECT_EQ(Out(),
              "Open USB interface success.\nEnter bootloader mode success!\nStart bootloader.\n"
              "BL Version:SIM-2\nStart send bootloader command.\n"
              "Loading firmware ... Package 1\nFirmware Successfully Downloaded.\n");
    EXPECT_EQ(Err().rfind("orvane-flash: device answered on USB 0ACD:3710 at ", 0), 0U) << Err();

    std::size_t polls = 0;
    const auto received = WithoutPolls(simulation.Device().Received(), &polls);
    EXPECT_GE(polls, 1U);
    const std::vector<uint8_t> version = OrvaneDevice::MakeFrame(0xC7, 0x10);
    const std::vector<std::vector<uint8_t>> expected = {OrvaneDevice::MakeFrame(0x18, 0x01),
                                                        m_frames[0],
                                                        m_frames[1],
                                                        version,
                                                        m_frames[2],
                                                        m_frames[3]};
    EXPECT_EQ(received, expected);
}

}  // namespace
}  // namespace orvane
