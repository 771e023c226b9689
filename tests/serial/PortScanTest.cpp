#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/LinkProbe.h"
#include "link/MessageFrame.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/VirtualClock.h"

namespace {

enum class Port { Absent, Denied, Held, Silent, Answers };

// Every port of a machine behind the one back end of g_serialLink; the device name picks the
// behaviour. Keeps a log of what the scan did.
class PortWorld final : public orvane::ISerialPort {
public:
    PortWorld(std::map<std::string, Port> ports, std::vector<std::string>& log)
        : m_ports(std::move(ports)), m_log(log) {}

    bool Open(const std::string& device, const std::string& modeText) override {
        m_log.push_back("open " + device + "|" + modeText);
        const auto it = m_ports.find(device);
        const Port port = it == m_ports.end() ? Port::Absent : it->second;
        m_error = port == Port::Absent   ? orvane::SerialOpenError::NotFound
                  : port == Port::Denied ? orvane::SerialOpenError::PermissionDenied
                  : port == Port::Held   ? orvane::SerialOpenError::Busy
                                         : orvane::SerialOpenError::None;
        if (m_error != orvane::SerialOpenError::None) {
            return false;
        }
        m_current = port;
        m_open = true;
        return true;
    }
    orvane::SerialOpenError LastOpenError() const override { return m_error; }
    int LastOpenSystemError() const override {
        return m_error == orvane::SerialOpenError::PermissionDenied ? 13 : 0;
    }
    void Close() override {
        if (m_open) {
            m_log.push_back("close");
        }
        m_open = false;
    }
    bool IsOpen() const override { return m_open; }
    int32_t Read(uint8_t* buf, uint32_t max) override {
        if (!m_open || !m_replyDue || m_current != Port::Answers || max < 16) {
            return 0;
        }
        m_replyDue = false;
        std::vector<uint8_t> reply(frame::kMagic.begin(), frame::kMagic.end());
        reply.insert(reply.end(), {frame::kCmdLinkProbe, 0x00, 0x00, 0x00, 0x12, 0x34});
        std::copy(reply.begin(), reply.end(), buf);
        return static_cast<int32_t>(reply.size());
    }
    int32_t Write(const uint8_t*, uint32_t count) override {
        m_log.push_back("probe");
        m_replyDue = true;
        return static_cast<int32_t>(count);
    }

private:
    std::map<std::string, Port> m_ports;
    std::vector<std::string>& m_log;
    Port m_current = Port::Absent;
    orvane::SerialOpenError m_error = orvane::SerialOpenError::None;
    bool m_open = false;
    bool m_replyDue = false;
};

// Each call of the scan's observer as one line, with whether the link was open at the time.
class Recorder final : public orvane::ILinkObserver {
public:
    void OnLinkTrying(const orvane::LinkAttempt& a) override {
        lines.push_back("trying " + Name(a));
    }
    void OnLinkFailed(const orvane::LinkAttempt& a, orvane::LinkFault fault) override {
        lines.push_back("failed " + Name(a) + ": " + orvane::LinkFaultText(fault) +
                        (a.systemError != 0 ? " errno " + std::to_string(a.systemError) : ""));
    }
    void OnLinkAnswered(const orvane::LinkAttempt& a) override {
        lines.push_back("answered " + Name(a) + (g_serialLink.IsOpen() ? " open" : " closed"));
    }
    static std::string Name(const orvane::LinkAttempt& a) {
        return a.port + " " + std::to_string(a.index + 1) + "/" + std::to_string(a.count);
    }
    std::vector<std::string> lines;
};

class PortScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::SetClock(&clock);
        g_interfaceKind = 0;
    }
    void TearDown() override {
        g_serialLink.SetPort(orvane::MakeSystemSerialPort());
        orvane::SetClock(nullptr);
    }
    void Install(std::map<std::string, Port> ports) {
        g_serialLink.SetPort(std::make_unique<PortWorld>(std::move(ports), log));
    }

    orvane::VirtualClock clock;
    std::vector<std::string> log;
};

constexpr const char* kMode = "|baud=19200 parity=N stop=1 data=8";

TEST_F(PortScanTest, StopsAtTheFirstPortThatAnswersAndClosesTheSilentOnes) {
    Install({{"/dev/ttyS1", Port::Silent},
             {"/dev/ttyUSB0", Port::Absent},
             {"/dev/ttyUSB1", Port::Answers},
             {"/dev/ttyUSB2", Port::Answers}});
    const std::vector<std::string> ports = {"/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                            "/dev/ttyUSB2"};
    EXPECT_EQ(orvane::ScanSerialPorts(ports, 19200), 2);
    const std::vector<std::string> expected = {
        std::string("open /dev/ttyS1") + kMode,
        "probe",
        "close",
        std::string("open /dev/ttyUSB0") + kMode,
        std::string("open /dev/ttyUSB1") + kMode,
        "probe",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(g_serialLink.IsOpen());
    EXPECT_EQ(g_serialLink.DeviceName(), "/dev/ttyUSB1");
    // One 500 ms probe wait per opened port.
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
}

TEST_F(PortScanTest, NoAnswerTriesFortyPortsAndLeavesNoneOpen) {
    std::map<std::string, Port> world;
    std::vector<std::string> ports;
    for (int i = 1; i <= 41; ++i) {
        const std::string name = "\\\\.\\COM" + std::to_string(i);
        world[name] = Port::Silent;
        ports.push_back(name);
    }
    Install(world);
    EXPECT_EQ(orvane::ScanSerialPorts(ports, 19200), orvane::kScanNoAnswer);
    ASSERT_EQ(log.size(), 120U);  // open, probe, close for each of 40 ports
    for (size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(log[3 * i], "open " + ports[i] + kMode);
        EXPECT_EQ(log[3 * i + 2], "close");
    }
    EXPECT_FALSE(g_serialLink.IsOpen());
}

TEST_F(PortScanTest, EmptyListFindsNothing) {
    Install({});
    EXPECT_EQ(orvane::ScanSerialPorts({}, 19200), -1);
    EXPECT_TRUE(log.empty());
}

TEST_F(PortScanTest, TellsTheObserverWhyEachPortDidNotBecomeTheLink) {
    Install({{"/dev/ttyS0", Port::Silent},
             {"/dev/ttyS1", Port::Denied},
             {"/dev/ttyS2", Port::Held},
             {"/dev/ttyUSB1", Port::Answers}});
    const std::vector<std::string> ports = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2",
                                            "/dev/ttyACM0", "/dev/ttyUSB1"};
    Recorder recorder;
    EXPECT_EQ(orvane::ScanSerialPorts(ports, 19200, &recorder), 4);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{
                                  "trying /dev/ttyS0 1/5",
                                  "failed /dev/ttyS0 1/5: opened but no answer",
                                  "trying /dev/ttyS1 2/5",
                                  "failed /dev/ttyS1 2/5: permission denied errno 13",
                                  "trying /dev/ttyS2 3/5",
                                  "failed /dev/ttyS2 3/5: busy",
                                  "trying /dev/ttyACM0 4/5",
                                  "failed /dev/ttyACM0 4/5: not found",
                                  "trying /dev/ttyUSB1 5/5",
                                  "answered /dev/ttyUSB1 5/5 open",
                              }));
}

// A stop while a port is probed ends the scan there: that port is closed, no other is opened.
TEST_F(PortScanTest, StopEndsTheScanWithoutOpeningAnotherPort) {
    Install({{"/dev/ttyS0", Port::Silent}, {"/dev/ttyUSB0", Port::Answers}});
    clock.SetOnSleep([this](uint32_t) { clock.RequestStop(); });
    Recorder recorder;
    EXPECT_EQ(orvane::ScanSerialPorts({"/dev/ttyS0", "/dev/ttyUSB0"}, 19200, &recorder),
              orvane::kScanStopped);
    EXPECT_EQ(log,
              (std::vector<std::string>{std::string("open /dev/ttyS0") + kMode, "probe", "close"}));
    EXPECT_FALSE(g_serialLink.IsOpen());
    EXPECT_EQ(recorder.lines, std::vector<std::string>{"trying /dev/ttyS0 1/2"});
    EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{500});
}

TEST_F(PortScanTest, StopBeforeTheScanOpensNothing) {
    Install({{"/dev/ttyUSB0", Port::Answers}});
    clock.RequestStop();
    EXPECT_EQ(orvane::ScanSerialPorts({"/dev/ttyUSB0"}, 19200), orvane::kScanStopped);
    EXPECT_TRUE(log.empty());
}

TEST(FormatLinkSpec, PrintsTheRateAsASigned32BitNumber) {
    struct Case {
        unsigned long baud;
        const char* text;
    };
    const Case cases[] = {
        {19200, "\\\\.\\COM3/baud=19200/parity=N/stop=1/data=8"},
        {0, "\\\\.\\COM3/baud=0/parity=N/stop=1/data=8"},
        {2147483647UL, "\\\\.\\COM3/baud=2147483647/parity=N/stop=1/data=8"},
        {2147483648UL, "\\\\.\\COM3/baud=-2147483648/parity=N/stop=1/data=8"},
        {4294967295UL, "\\\\.\\COM3/baud=-1/parity=N/stop=1/data=8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orvane::FormatLinkSpec("\\\\.\\COM3", c.baud), c.text) << c.baud;
    }
    EXPECT_EQ(orvane::FormatLinkSpec("/dev/ttyUSB0", 9600),
              "/dev/ttyUSB0/baud=9600/parity=N/stop=1/data=8");
}

TEST(FormatLinkSpec, StaysWithinTheSpecBuffer) {
    const std::string spec = orvane::FormatLinkSpec("/dev/" + std::string(200, 'x'), 19200);
    EXPECT_EQ(spec.size(), 127U);
    EXPECT_EQ(spec.substr(0, 5), "/dev/");
}

}  // namespace
