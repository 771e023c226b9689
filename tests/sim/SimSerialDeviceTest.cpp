#include "sim/SimSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "link/MessageFrame.h"
#include "sim/OrvaneDevice.h"
#include "tests/sim/FrameCheck.h"

// These run in real time over a pseudo-terminal; each takes well under a second.
namespace orvane::sim {
namespace {

using namespace std::chrono_literals;

// The host end of the line: the slave side, raw, as a serial link opens it.
class HostLine {
public:
    explicit HostLine(const std::string& path) : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        if (m_fd >= 0 && tcgetattr(m_fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~HostLine() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Gathers bytes until `quietMs` pass without one. Returns -1 as soon as a read fails.
    int Read(std::vector<uint8_t>& out, int quietMs = 150) {
        out.clear();
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) {
                return static_cast<int>(out.size());
            }
            uint8_t chunk[512];
            const ssize_t n = read(m_fd, chunk, sizeof chunk);
            if (n <= 0) {
                return -1;
            }
            out.insert(out.end(), chunk, chunk + n);
        }
    }

private:
    int m_fd;
};

std::vector<uint8_t> Probe() {
    return {frame::kLinkProbeRequest.begin(), frame::kLinkProbeRequest.end()};
}

TEST(SimSerialDevice, AnswersAFrameSentInPiecesAfterNoise) {
    OrvaneDevice device;
    SimSerialDevice serial(device);
    std::string error;
    ASSERT_TRUE(serial.Start(&error)) << error;
    EXPECT_EQ(serial.SlavePath().rfind("/dev/pts/", 0), 0U) << serial.SlavePath();
    HostLine line(serial.SlavePath());
    ASSERT_TRUE(line.IsOpen());

    const auto probe = Probe();
    std::vector<uint8_t> first = {0x00, 'Z', 'x', 0x55};  // noise, including a false start
    first.insert(first.end(), probe.begin(), probe.begin() + 7);
    line.Write(first);
    std::this_thread::sleep_for(20ms);
    line.Write(std::vector<uint8_t>(probe.begin() + 7, probe.end()));

    std::vector<uint8_t> reply;
    ASSERT_EQ(line.Read(reply), 16);
    EXPECT_TRUE(test::IsSealedFrame(reply));
    EXPECT_EQ(reply[10], 0x18);
    const auto received = device.Received();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].bytes, probe);
}

TEST(SimSerialDevice, KeepsTheLineUpBetweenOpensAndAnswersLate) {
    DeviceConfig config;
    config.replyDelayMs = 120;
    OrvaneDevice device(config);
    SimSerialDevice serial(device);
    ASSERT_TRUE(serial.Start());
    { HostLine first(serial.SlavePath()); }

    HostLine line(serial.SlavePath());
    ASSERT_TRUE(line.IsOpen());
    const auto start = std::chrono::steady_clock::now();
    line.Write(Probe());
    std::vector<uint8_t> reply;
    // Quiet for 100 ms: the reply is not there yet.
    EXPECT_EQ(line.Read(reply, 60), 0);
    ASSERT_EQ(line.Read(reply, 300), 16);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
    EXPECT_EQ(reply[10], 0x18);
}

TEST(SimSerialDevice, HangingUpEndsTheLine) {
    DeviceConfig config;
    config.hangUpFrame = 1;
    OrvaneDevice device(config);
    SimSerialDevice serial(device);
    ASSERT_TRUE(serial.Start());
    HostLine line(serial.SlavePath());
    line.Write(OrvaneDevice::MakeFrame(0xC7, 0x20));
    std::vector<uint8_t> reply;
    EXPECT_EQ(line.Read(reply, 1000), -1) << "the slave sees the master go";
    EXPECT_TRUE(device.HungUp());
    serial.Stop();
    EXPECT_FALSE(serial.Running());
}

TEST(SimSerialDevice, SkipsAnAnnouncedFrameLongerThanAnyRequest) {
    OrvaneDevice device;
    SimSerialDevice serial(device);
    ASSERT_TRUE(serial.Start());
    HostLine line(serial.SlavePath());
    // A header announcing 65535 data bytes, then a real probe right behind it.
    std::vector<uint8_t> bytes(frame::kMagic.begin(), frame::kMagic.end());
    bytes.insert(bytes.end(), {0xC7, 0x20, 0xFF, 0xFF});
    const auto probe = Probe();
    bytes.insert(bytes.end(), probe.begin(), probe.end());
    line.Write(bytes);
    std::vector<uint8_t> reply;
    ASSERT_EQ(line.Read(reply), 16);
    EXPECT_EQ(reply[10], 0x18);
}

}  // namespace
}  // namespace orvane::sim
