// The POSIX back end over a real pseudo-terminal, in real time. Kept few and short: each read
// lasts at most a few hundred ms.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/SerialLink.h"
#include "platform/Clock.h"

namespace {

using Steady = std::chrono::steady_clock;

long long MsSince(Steady::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
}

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        slave = ptsname(master);
        ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0U) << slave;
    }
    void TearDown() override {
        link.Close();
        if (master >= 0) {
            close(master);
        }
    }

    std::string Spec(const std::string& mode = "baud=19200/parity=N/stop=1/data=8") const {
        return slave + "/" + mode;
    }
    void OpenLink() { ASSERT_EQ(link.Open(Spec().c_str()), 1) << Spec(); }

    void MasterWrite(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the link sent, as the other end sees it.
    std::vector<uint8_t> MasterRead(size_t want) {
        std::vector<uint8_t> got;
        const auto start = Steady::now();
        while (got.size() < want && MsSince(start) < 1000) {
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 50) > 0) {
                uint8_t tmp[256];
                const ssize_t n = read(master, tmp, sizeof(tmp));
                if (n > 0) {
                    got.insert(got.end(), tmp, tmp + n);
                }
            }
        }
        return got;
    }

    int master = -1;
    std::string slave;
    CSerialLink link;  // the platform's back end
    uint8_t buf[1024] = {};
};

TEST_F(PtyTest, LinkOpensTheSlaveRawAndPassesEveryByteBothWays) {
    OpenLink();
    EXPECT_EQ(link.DeviceName(), slave);

    termios tio{};
    ASSERT_EQ(tcgetattr(master, &tio), 0);  // a pty master reports its slave's settings
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INPCK | ISTRIP), 0U);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
    EXPECT_EQ(tio.c_oflag & OPOST, 0U);

    // Interrupt, XON, XOFF, CR, LF, erase, EOF, suspend, NUL, 0xFF: none is acted upon.
    const std::vector<uint8_t> in = {0x03, 0x11, 0x13, 0x0D, 0x0A, 0x7F, 0x04, 0x1A, 0x00, 0xFF};
    MasterWrite(in);
    ASSERT_EQ(link.Read(buf, 128), static_cast<int32_t>(in.size()));
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + in.size()), in);

    const std::vector<uint8_t> out = {0x0A, 0x11, 0x13, 0x0D, 0x03};
    EXPECT_EQ(link.Write(out.data(), static_cast<uint32_t>(out.size())), out.size());
    EXPECT_EQ(MasterRead(out.size()), out);
}

TEST_F(PtyTest, RatesWithAndWithoutAConstant) {
    ASSERT_EQ(link.Open(Spec("baud=2400/stop=2").c_str()), 1);
    termios tio{};
    ASSERT_EQ(tcgetattr(master, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B2400));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0U);
    link.Close();
    // 250000 has no B-constant: set through the kernel's arbitrary-rate interface.
    ASSERT_EQ(link.Open(Spec("baud=250000/parity=N/data=8/stop=1").c_str()), 1);
    ASSERT_EQ(tcgetattr(master, &tio), 0);
    constexpr speed_t kKernelOtherRate = 0010000;  // BOTHER, hidden by the C library's termios
    EXPECT_EQ(cfgetospeed(&tio), kKernelOtherRate);
}

TEST_F(PtyTest, RefusedModeTextsHoldNothing) {
    for (const char* mode : {"baud=0/parity=N/stop=1/data=8", "baud=19200/parity=Q",
                             "baud=19200/data=8/stop=1.5", "baud=19200/data=5/stop=2"}) {
        EXPECT_EQ(link.Open(Spec(mode).c_str()), 0) << mode;
        EXPECT_FALSE(link.IsOpen());
    }
    // Nothing was left holding the device exclusively.
    OpenLink();
    EXPECT_EQ(link.Open(Spec().c_str()), 0);  // already open
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.Open("/dev/pts/999999/baud=9600"), 0);
}

TEST_F(PtyTest, SecondOpenOfAHeldPortIsRefused) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may open a port held exclusively";
    }
    OpenLink();
    CSerialLink other;
    EXPECT_EQ(other.Open(Spec().c_str()), 0);
    EXPECT_EQ(other.LastOpenError(), orvane::SerialOpenError::Busy);
}

// Load's scan tells the operator why a port did not open; the back end is where that is known.
TEST_F(PtyTest, OpenSaysWhyItFailed) {
    using orvane::SerialOpenError;
    struct Case {
        std::string spec;
        SerialOpenError error;
        int systemError;
    };
    const Case cases[] = {
        {"/dev/ttyNOSUCHPORT/baud=19200/parity=N/stop=1/data=8", SerialOpenError::NotFound, ENOENT},
        {"/dev/null/baud=19200/parity=N/stop=1/data=8", SerialOpenError::NotSerial, ENOTTY},
        {Spec("baud=19200/parity=Q"), SerialOpenError::BadSettings, EINVAL},
        {Spec("baud=0/parity=N/stop=1/data=8"), SerialOpenError::BadSettings, EINVAL},
        {"/dev/ttyX", SerialOpenError::BadSettings, 0},  // a spec too short to open anything
        {Spec(), SerialOpenError::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        CSerialLink other;
        other.Open(c.spec.c_str());
        EXPECT_EQ(other.LastOpenError(), c.error);
        EXPECT_EQ(other.LastOpenSystemError(), c.systemError);
    }
}

struct TimeoutCase {
    const char* name;
    size_t pending;  // bytes the other side sent before the read
    uint32_t max;
    int32_t result;
    long long minMs;
    long long maxMs;  // generous: the machine is shared
};

TEST_F(PtyTest, PlatformReadEndsAtCountGapOrTotalTime) {
    const TimeoutCase cases[] = {
        {"silent line: 200 ms in all", 0, 512, 0, 195, 600},
        {"burst then silence: the 50 ms gap ends it", 10, 512, 10, 45, 190},
        {"count reached: at once", 600, 512, 512, 0, 150},
    };
    auto port = orvane::MakeSystemSerialPort();
    ASSERT_TRUE(port->Open(slave, "baud=19200 parity=N stop=1 data=8"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MasterWrite(std::vector<uint8_t>(c.pending, 0x5A));
        const auto start = Steady::now();
        EXPECT_EQ(port->Read(buf, c.max), c.result);
        const long long ms = MsSince(start);
        EXPECT_GE(ms, c.minMs);
        EXPECT_LE(ms, c.maxMs);
        // Drain what the case left, so the next starts from a silent line.
        while (port->Read(buf, 512) > 0) {
        }
    }
}

// A lone first byte followed by more 100 ms later: the line's 50 ms gap ends the first chunk at
// that byte. 0x06 is the whole reply and the rest waits for the next Read; 0x03 is gathered on.
TEST_F(PtyTest, LoneFirstByteEndsTheReadUnlessItIs0x03) {
    struct Case {
        uint8_t first;
        bool alone;
    };
    const Case cases[] = {{0x06, true}, {0x03, false}};
    const std::vector<uint8_t> rest = {0xC7, 0x00, 0x10, 0x20, 0x30};
    OpenLink();
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.first});
        MasterWrite({c.first});
        std::thread later([&] {
            orvane::Clock().Sleep(100);
            MasterWrite(rest);
        });
        const int32_t got = link.Read(buf, 128);
        std::vector<uint8_t> whole = {c.first};
        whole.insert(whole.end(), rest.begin(), rest.end());
        if (c.alone) {
            EXPECT_EQ(got, 1);
            EXPECT_EQ(buf[0], c.first);
            later.join();
            ASSERT_EQ(link.Read(buf, 128), static_cast<int32_t>(rest.size()));
            EXPECT_EQ(std::vector<uint8_t>(buf, buf + rest.size()), rest);
        } else {
            later.join();
            ASSERT_EQ(got, static_cast<int32_t>(whole.size()));
            EXPECT_EQ(std::vector<uint8_t>(buf, buf + whole.size()), whole);
        }
    }
}

// 700 bytes at once with capacity 512: the first 512-byte chunk is kept, the next one is read
// and dropped, and nothing past the capacity is written.
TEST_F(PtyTest, BurstBeyondCapacityKeepsTheFirstChunkOnly) {
    OpenLink();
    std::vector<uint8_t> burst(700);
    for (size_t i = 0; i < burst.size(); ++i) {
        burst[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    std::memset(buf, 0xEE, sizeof buf);
    MasterWrite(burst);

    ASSERT_EQ(link.Read(buf, 512), 512);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 512),
              std::vector<uint8_t>(burst.begin(), burst.begin() + 512));
    EXPECT_EQ(buf[512], 0xEE);
    EXPECT_EQ(link.Read(buf, 512), 0);  // the dropped 188 bytes are gone
}

TEST_F(PtyTest, HangUpFailsTheRead) {
    OpenLink();
    close(master);
    master = -1;
    const auto start = Steady::now();
    EXPECT_EQ(link.Read(buf, 128), -1);
    EXPECT_LT(MsSince(start), 150);
}

TEST_F(PtyTest, StopRequestEndsAReadWithinAFewMs) {
    auto port = orvane::MakeSystemSerialPort();
    ASSERT_TRUE(port->Open(slave, "baud=19200"));
    std::thread stopper([] {
        orvane::Clock().Sleep(40);
        orvane::Clock().RequestStop();
    });
    const auto start = Steady::now();
    const int32_t got = port->Read(buf, 512);
    const long long ms = MsSince(start);
    stopper.join();
    orvane::Clock().ClearStop();
    EXPECT_EQ(got, -1);
    EXPECT_GE(ms, 35);
    EXPECT_LT(ms, 120);
}

}  // namespace
