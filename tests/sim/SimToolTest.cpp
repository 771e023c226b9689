// orvane-sim end to end: prints its line's path, serves it, logs each request, ends on Ctrl-C.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Crc16.h"
#include "link/MessageFrame.h"

namespace {

// Reads from `fd` until `enough` says so or `ms` pass in silence.
std::string ReadUntil(int fd, int ms, bool (*enough)(const std::string&)) {
    std::string text;
    char chunk[256];
    while (!enough(text)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) {
            break;
        }
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

TEST(SimTool, ServesThePrintedLineUntilInterrupted) {
    int out[2];
    int err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execl(ORVANE_SIM_BINARY, ORVANE_SIM_BINARY, "--sim-version", "V4.2", nullptr);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);

    std::string path = ReadUntil(
        out[0], 5000, [](const std::string& t) { return t.find('\n') != std::string::npos; });
    ASSERT_FALSE(path.empty());
    path.pop_back();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0U) << path;

    const int line = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0) << path;
    termios tio{};
    tcgetattr(line, &tio);
    cfmakeraw(&tio);
    tcsetattr(line, TCSANOW, &tio);
    std::vector<uint8_t> request(frame::kMagic.begin(), frame::kMagic.end());
    request.insert(request.end(), {0xC7, 0x10, 0x00, 0x00});
    request.push_back(Crc16High(request.data(), 14));
    request.push_back(Crc16Low(request.data(), 14));
    ASSERT_EQ(write(line, request.data(), request.size()), 16);
    const std::string reply =
        ReadUntil(line, 1000, [](const std::string& t) { return t.size() >= 20; });
    close(line);
    ASSERT_EQ(reply.size(), 20U);
    EXPECT_EQ(static_cast<uint8_t>(reply[10]), 0xC7);
    EXPECT_EQ(reply.substr(14, 4), "V4.2");

    // The request shows up in the log on stderr, then Ctrl-C ends the tool cleanly.
    const std::string log = ReadUntil(err[0], 2000, [](const std::string& t) {
        return t.find("C7 10 00 00 65 82") != std::string::npos;
    });
    EXPECT_NE(log.find("16 bytes"), std::string::npos) << log;
    kill(child, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(child, &raw, 0), child);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    close(out[0]);
    close(err[0]);
}

}  // namespace
