// orvane-flash end to end against its built-in simulated device, in real time.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "sim/ScriptWriter.h"

namespace orvane {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file of this test's own in the temporary folder (tests may run side by side).
std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           "-" + name;
}

Outcome RunFlash(const std::string& args) {
    const std::string out = TempPath("flash.out");
    const std::string err = TempPath("flash.err");
    const std::string command = std::string("'") + ORVANE_FLASH_BINARY + "' " + args + " >'" + out +
                                "' 2>'" + err + "' </dev/null";
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = Slurp(out);
    outcome.err = Slurp(err);
    return outcome;
}

// Four frames: enter the bootloader, two plain commands, one firmware package.
std::string FourFrameScript() {
    auto frames = sim::DownloadFrames(1, 16, false);
    frames[1] = sim::OrvaneDevice::MakeFrame(0xC7, 0x17, {0x01});  // no extra wait
    const std::string path = TempPath("four-frames.txt");
    std::ofstream(path, std::ios::binary) << sim::MakeScript(frames, false);
    return path;
}

TEST(FlashBinary, DownloadsOverTheSimulatedSerialLine) {
    const Outcome run = RunFlash("--simulate '" + FourFrameScript() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Open RS232 interface success.\n"
              "Start bootloader.\n"
              "Start send bootloader command.\n"
              "Loading firmware ... Package 1\n"
              "Firmware Successfully Downloaded.\n");
}

TEST(FlashBinary, StopsAtTheFirstRefusedFrame) {
    const Outcome run = RunFlash("--simulate --sim-fail 2 '" + FourFrameScript() + "'");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "Open RS232 interface success.\nSend command fail.\n");
}

TEST(FlashBinary, ReportsASilentDeviceAndAnUnreadableScript) {
    struct Case {
        std::string args;
        int status;
        std::string out;
        std::string errHas;
    };
    const std::string missing = TempPath("missing-script.txt");
    const Case cases[] = {
        {"--simulate --sim-silent '" + FourFrameScript() + "'", 2, "Open RS232 interface fail.\n",
         ""},
        {"--simulate '" + missing + "'", 3, "Open RS232 interface success.\nRead file fail.\n",
         "cannot read script " + missing},
        {"--simulate --baud", 64, "", "--baud needs a value"},
    };
    for (const Case& c : cases) {
        const Outcome run = RunFlash(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << c.args << "\n" << run.err;
    }
}

TEST(FlashBinary, AnInterruptEndsTheRunWithoutAnotherLine) {
    using namespace std::chrono_literals;
    const std::string script = FourFrameScript();
    const std::string outPath = TempPath("interrupted.out");
    std::remove(outPath.c_str());  // no output of an earlier run may be taken for this one's
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDOUT_FILENO);
        execl(ORVANE_FLASH_BINARY, ORVANE_FLASH_BINARY, "--simulate", script.c_str(), nullptr);
        _exit(127);
    }
    // Interrupt during frame 1's 5000 ms wait, once the link is open.
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (Slurp(outPath).empty() && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    const auto interrupted = std::chrono::steady_clock::now();
    kill(child, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(child, &raw, 0), child);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 1s);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_EQ(Slurp(outPath), "Open RS232 interface success.\n");
}

}  // namespace
}  // namespace orvane
