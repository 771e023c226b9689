#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "FakeSerialPort.h"
#include "link/SerialLink.h"

namespace {

using orvane::test::Bytes;
using orvane::test::FakePortState;
using orvane::test::FakeSerialPort;

constexpr const char* kSpec = "\\\\.\\COM3/baud=19200/parity=N/stop=1/data=8";

class SerialLinkTest : public ::testing::Test {
protected:
    SerialLinkTest() : link(std::make_unique<FakeSerialPort>(port)) {}

    void OpenLink() {
        ASSERT_EQ(link.Open(kSpec), 1);
        port->opened.clear();
    }

    std::shared_ptr<FakePortState> port = std::make_shared<FakePortState>();
    CSerialLink link;
    uint8_t buf[1100];
};

TEST_F(SerialLinkTest, OpenHandsDeviceAndModeTextToThePort) {
    EXPECT_EQ(link.Open(kSpec), 1);
    EXPECT_TRUE(link.IsOpen());
    ASSERT_EQ(port->opened.size(), 1U);
    EXPECT_EQ(port->opened[0], "\\\\.\\COM3|baud=19200 parity=N stop=1 data=8");
    EXPECT_STREQ(link.Mode(), "baud=19200 parity=N stop=1 data=8");
    EXPECT_EQ(link.DeviceName(), "\\\\.\\COM3");
}

TEST_F(SerialLinkTest, OpenOnAnOpenLinkFailsAndChangesNothing) {
    OpenLink();
    EXPECT_EQ(link.Open("/dev/ttyUSB1/baud=9600/parity=E"), 0);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(port->isOpen);
    EXPECT_TRUE(port->opened.empty());
    EXPECT_EQ(port->closeCalls, 0);
    EXPECT_STREQ(link.Mode(), "baud=19200 parity=N stop=1 data=8");
    EXPECT_EQ(link.DeviceName(), "\\\\.\\COM3");
}

TEST_F(SerialLinkTest, RefusedSpecsTouchNothing) {
    const char* before = "baud=9600 parity=N data=8 stop=1";
    EXPECT_STREQ(link.Mode(), before);
    for (const char* spec : {static_cast<const char*>(nullptr), "COM3/b=96", ""}) {
        EXPECT_EQ(link.Open(spec), 0);
    }
    EXPECT_EQ(link.Open(std::string(257, 'x').c_str()), 0);
    EXPECT_TRUE(port->opened.empty());
    EXPECT_STREQ(link.Mode(), before);
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(SerialLinkTest, SpecWithoutModePartFailsWithoutOpeningTheDevice) {
    EXPECT_EQ(link.Open("/dev/ttyUSB0"), 0);
    EXPECT_EQ(link.Open("\\\\.\\COM3   "), 0);
    EXPECT_TRUE(port->opened.empty());
    EXPECT_STREQ(link.Mode(), "");
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(SerialLinkTest, FailedPortOpenLeavesLinkClosedAndKeepsTheModeText) {
    port->openResult = false;
    EXPECT_EQ(link.Open("\\\\.\\COM7/baud=0/parity=N"), 0);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(port->opened.size(), 1U);
    EXPECT_STREQ(link.Mode(), "baud=0 parity=N");
    // Closed: reads and writes are refused without reaching the port.
    EXPECT_EQ(link.Read(buf, 128), -1);
    const uint8_t byte = 0x55;
    EXPECT_EQ(link.Write(&byte, 1), 0U);
    EXPECT_EQ(port->reads, 0);
    EXPECT_TRUE(port->written.empty());
}

TEST_F(SerialLinkTest, LongestModeTextFitsTheModeBuffer) {
    // 256 characters: a '/' first, so the device is empty and the mode text 255 characters.
    std::string spec = "/baud=" + std::string(250, '1');
    ASSERT_EQ(spec.size(), 256U);
    link.Open(spec.c_str());
    EXPECT_EQ(std::strlen(link.Mode()), 255U);
    EXPECT_EQ(std::string(link.Mode()), spec.substr(1));
}

TEST_F(SerialLinkTest, CloseOnANeverOpenedLinkChangesNothing) {
    link.Close();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_STREQ(link.Mode(), "baud=9600 parity=N data=8 stop=1");
    // The link may be opened afterwards as usual.
    EXPECT_EQ(link.Open(kSpec), 1);
}

TEST_F(SerialLinkTest, CloseReleasesThePortAndAllowsAnotherOpen) {
    OpenLink();
    link.Close();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(port->isOpen);
    EXPECT_EQ(link.Open("\\\\.\\COM4/baud=9600/parity=N/stop=1/data=8"), 1);
    EXPECT_EQ(port->opened.back(), "\\\\.\\COM4|baud=9600 parity=N stop=1 data=8");
}

TEST_F(SerialLinkTest, WriteReportsTheCountOrZero) {
    OpenLink();
    const auto data = Bytes(12, 0x40);
    EXPECT_EQ(link.Write(data.data(), 12), 12U);
    EXPECT_EQ(port->written, data);
    port->writeResult = -1;
    EXPECT_EQ(link.Write(data.data(), 12), 0U);
}

// Read's rules: each case scripts the platform reads and expects the result, the bytes in
// buf and how many platform reads it took.
struct ReadCase {
    const char* name;
    std::vector<std::vector<uint8_t>> chunks;
    int failAt;  // index of the platform read that fails, or -1
    uint32_t capacity;
    int32_t result;
    size_t expectStored;  // bytes of the scripted stream expected at the start of buf
    int reads;
};

TEST_F(SerialLinkTest, ReadRules) {
    const ReadCase cases[] = {
        {"20 bytes then silence", {Bytes(20)}, -1, 128, 20, 20, 2},
        {"single 0x06 ends at once", {{0x06}, Bytes(5)}, -1, 128, 1, 1, 1},
        {"single 0x03 goes on", {{0x03}, Bytes(4, 0x10)}, -1, 128, 5, 5, 3},
        {"single byte later is just a chunk", {Bytes(3), {0x06}}, -1, 128, 4, 4, 3},
        {"chunks gather until silence", {Bytes(512), Bytes(100, 0x80)}, -1, 1024, 612, 612, 3},
        {"first chunk overflows", {Bytes(512)}, -1, 128, 0, 0, 1},
        {"second chunk overflows", {Bytes(512), Bytes(188)}, -1, 512, 512, 512, 2},
        {"exactly full, then silence", {Bytes(100), Bytes(28)}, -1, 128, 128, 128, 3},
        {"silent line", {}, -1, 128, 0, 0, 1},
        {"first read fails", {}, 0, 128, -1, 0, 1},
        {"read fails after stored chunks", {Bytes(30), Bytes(30, 30)}, 2, 512, -1, 60, 3},
        {"capacity 1 keeps the single-byte rule", {{0x41}}, -1, 1, 1, 1, 1},
        {"capacity 1 and two bytes", {Bytes(2)}, -1, 1, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port = std::make_shared<FakePortState>();
        link.SetPort(std::make_unique<FakeSerialPort>(port));
        OpenLink();
        std::vector<uint8_t> stream;
        for (size_t i = 0; i < c.chunks.size() || static_cast<int>(i) <= c.failAt; ++i) {
            if (static_cast<int>(i) == c.failAt) {
                port->AddFailure();
            }
            if (i < c.chunks.size()) {
                port->AddChunk(c.chunks[i]);
                stream.insert(stream.end(), c.chunks[i].begin(), c.chunks[i].end());
            }
        }
        std::memset(buf, 0xEE, sizeof(buf));
        EXPECT_EQ(link.Read(buf, c.capacity), c.result);
        EXPECT_EQ(port->reads, c.reads);
        for (size_t i = 0; i < c.expectStored; ++i) {
            ASSERT_EQ(buf[i], stream[i]) << "byte " << i;
        }
        // Nothing past what was stored, and never past the capacity.
        EXPECT_EQ(buf[c.expectStored], 0xEE);
        EXPECT_EQ(buf[c.capacity], 0xEE);
    }
}

TEST_F(SerialLinkTest, SevenHundredBytesWithoutPauseGiveTheFirst512) {
    OpenLink();
    const auto reply = Bytes(700, 7);
    port->AddChunk({reply.begin(), reply.begin() + 512});
    port->AddChunk({reply.begin() + 512, reply.end()});
    std::memset(buf, 0, sizeof(buf));
    EXPECT_EQ(link.Read(buf, 512), 512);
    EXPECT_EQ(0, std::memcmp(buf, reply.data(), 512));
    EXPECT_EQ(port->reads, 2);
}

}  // namespace
