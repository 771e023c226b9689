// The COM ports the scan tries and the names operators type for them.
#include <gtest/gtest.h>

#include <string>

#include "link/PortScan.h"
#include "platform/PortList.h"
#include "platform/PortName.h"

namespace {

TEST(ComPorts, TheScanTriesComOneToFortyByDeviceName) {
    const auto ports = orvane::SerialPortCandidates();
    ASSERT_EQ(ports.size(), 40U);
    for (size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i], "\\\\.\\COM" + std::to_string(i + 1));
    }
    // Byte for byte the link spec of the Load command.
    EXPECT_EQ(orvane::FormatLinkSpec(ports[2], 19200),
              "\\\\.\\COM3/baud=19200/parity=N/stop=1/data=8");
    EXPECT_EQ(orvane::FormatLinkSpec(ports[39], 4294967295UL),
              "\\\\.\\COM40/baud=-1/parity=N/stop=1/data=8");
}

TEST(ComPorts, TypedNamesBecomeDeviceNames) {
    const struct {
        const char* typed;
        const char* device;
    } cases[] = {
        {"COM11", "\\\\.\\COM11"},
        {"com3", "\\\\.\\COM3"},
        {"\\\\.\\COM11", "\\\\.\\COM11"},
        {"\\\\.\\com256", "\\\\.\\COM256"},
        // Left for the open to refuse:
        {"COM0", "COM0"},
        {"COM257", "COM257"},
        {"COM011", "COM011"},
        {"COM", "COM"},
        {"COM1x", "COM1x"},
        {"LPT1", "LPT1"},
        {"sim:COM1", "sim:COM1"},
        {"", ""},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orvane::WindowsComDeviceName(c.typed), c.device) << c.typed;
    }
}

}  // namespace
