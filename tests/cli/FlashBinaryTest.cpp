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
    // Which device answered and which frame failed with what, and no control codes on a
    // stderr that is not a terminal.
    EXPECT_NE(run.err.find("orvane-flash: device answered on /dev/pts/"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("orvane-flash: frame 2 (command C7, sub-command 17): reply status 01 "
                           "(0 is success)\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find_first_of("\r\033"), std::string::npos) << run.err;
}

TEST(FlashBinary, QuietPrintsTheLogLinesOnlyAndVerboseEachExchange) {
    const std::string script = FourFrameScript();
    const Outcome quiet = RunFlash("-q --simulate --sim-fail=2 '" + script + "'");
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "Open RS232 interface success.\nSend command fail.\n");
    EXPECT_EQ(quiet.err, "");

    const Outcome verbose = RunFlash("--verbose --simulate --sim-fail=2 -- '" + script + "'");
    EXPECT_EQ(verbose.status, 1);
    EXPECT_EQ(verbose.out, quiet.out);
    EXPECT_NE(verbose.err.find("orvane-flash: trying /dev/pts/"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find("orvane-flash: frame 1 C7/"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find("orvane-flash: frame 1: device restarting into its bootloader "
                               "(5000 ms)"),
              std::string::npos)
        << verbose.err;
}

TEST(FlashBinary, ReportsASilentDeviceAndAnUnreadableScript) {
    struct Case {
        std::string args;
        int status;
        std::string out;
        std::string errHas;
    };
    const std::string missing = TempPath("missing-script.txt");
    const std::string empty = TempPath("empty-script.txt");
    std::ofstream(empty, std::ios::binary).flush();
    // A script is read and checked before any port is opened: no outcome line comes first.
    const Case cases[] = {
        {"--simulate --sim-silent '" + FourFrameScript() + "'", 2, "Open RS232 interface fail.\n",
         "(port 1 of 1): opened but no answer"},
        {"--simulate '" + missing + "'", 3, "Read file fail.\n",
         "cannot read script " + missing + ": No such file or directory"},
        {"--simulate '" + empty + "'", 3, "Read file fail.\n",
         "script " + empty +
             " refused: no frame block (SEND: ... SLEEP or WAIT): the file is empty"},
        {"--simulate /bin/sh", 3, "Read file fail.\n", "the file is binary, not a script"},
        {"--decode '" + empty + "'", 3, "", "the file is empty"},
        {"--simulate --baud", 64, "", "--baud needs a value"},
        {"--simulate --baud 0 '" + missing + "'", 64, "", "--baud: '0' is not a baud rate"},
        {"--usb --pid=0x12345 '" + missing + "'", 64, "", "--pid: '0x12345' is not a USB id"},
        {"--port /dev/ttyNOSUCHPORT '" + FourFrameScript() + "'", 2, "Open RS232 interface fail.\n",
         "/dev/ttyNOSUCHPORT (port 1 of 1): not found"},
    };
    for (const Case& c : cases) {
        const Outcome run = RunFlash(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << c.args << "\n" << run.err;
    }
}

// Ctrl-C and SIGTERM end the run at once, without another log line, with one line on stderr
// and their own exit statuses.
TEST(FlashBinary, AnInterruptEndsTheRunWithoutAnotherLine) {
    using namespace std::chrono_literals;
    struct Case {
        int signal;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {SIGINT, 130,
         "orvane-flash: download interrupted after 0 of 4 frames; no further frame "
         "was sent\n"},
        {SIGTERM, 143,
         "orvane-flash: download terminated after 0 of 4 frames; no further frame "
         "was sent\n"},
    };
    const std::string script = FourFrameScript();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        const std::string outPath = TempPath("interrupted.out");
        const std::string errPath = TempPath("interrupted.err");
        std::remove(outPath.c_str());  // no output of an earlier run may be taken for this one's
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, STDOUT_FILENO);
            dup2(errFd, STDERR_FILENO);
            execl(ORVANE_FLASH_BINARY, ORVANE_FLASH_BINARY, "-q", "--simulate", script.c_str(),
                  nullptr);
            _exit(127);
        }
        // Interrupt during frame 1's 5000 ms wait, once the link is open.
        const auto give_up = std::chrono::steady_clock::now() + 10s;
        while (Slurp(outPath).empty() && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(500ms);
        const auto interrupted = std::chrono::steady_clock::now();
        kill(child, c.signal);
        int raw = 0;
        ASSERT_EQ(waitpid(child, &raw, 0), child);
        // About 4.5 s of the wait remain: ending well before that shows the wait was cut short,
        // with room for a sanitizer's slow exit.
        EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 3s);
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), c.status);
        EXPECT_EQ(Slurp(outPath), "Open RS232 interface success.\n");
        EXPECT_EQ(Slurp(errPath), c.err);
    }
}

}  // namespace
}  // namespace orvane
