#include <gtest/gtest.h>

#include <string>

#include "link/SerialLink.h"

namespace {

struct SplitCase {
    std::string spec;
    std::string device;
    std::string mode;
};

TEST(SplitLinkSpec, SplitsDeviceAndMode) {
    const SplitCase cases[] = {
        {"\\\\.\\COM3/baud=19200/parity=N/stop=1/data=8", "\\\\.\\COM3",
         "baud=19200 parity=N stop=1 data=8"},
        {"\\\\.\\COM3 / baud = 19200", "\\\\.\\COM3", "baud=19200"},
        {"\\\\.\\CO\tM12/\tbaud=9600 /", "\\\\.\\COM12", "baud=9600 "},
        {"COM1/baud=1/x", "COM1", "baud=1 x"},
        {"/dev/ttyUSB0/baud=19200/parity=N/stop=1/data=8", "/dev/ttyUSB0",
         "baud=19200 parity=N stop=1 data=8"},
        {"/dev/pts/3/baud=19200/parity=N/stop=1/data=8", "/dev/pts/3",
         "baud=19200 parity=N stop=1 data=8"},
        {" /dev/serial/by-id/usb-X_Y-if00/baud=9600", "/dev/serial/by-id/usb-X_Y-if00",
         "baud=9600"},
        // Only the first setting needs an '='; the rest follow it whatever they hold.
        {"/dev/ttyACM1/baud=9600/junk/data=8", "/dev/ttyACM1", "baud=9600 junk data=8"},
        // No mode part: the device is all of it.
        {"\\\\.\\COM3xyz", "\\\\.\\COM3xyz", ""},
        {"/dev/ttyUSB0", "/dev/ttyUSB0", ""},
        {"/dev/ttyUSB0/", "/dev/ttyUSB0/", ""},
        {"/baud=9600/data=8", "", "baud=9600 data=8"},
    };
    for (const auto& c : cases) {
        std::string device = "stale";
        std::string mode = "stale";
        ASSERT_TRUE(SplitLinkSpec(c.spec.c_str(), device, mode)) << c.spec;
        EXPECT_EQ(device, c.device) << c.spec;
        EXPECT_EQ(mode, c.mode) << c.spec;
    }
}

TEST(SplitLinkSpec, LengthLimitsCountTheRawText) {
    const std::string head = "COM1/baud=";
    struct Case {
        size_t length;
        bool accepted;
    };
    const Case cases[] = {{0, false},  {9, false},   {10, true},
                          {256, true}, {257, false}, {5000, false}};
    for (const auto& c : cases) {
        std::string spec = (head + std::string(300, '9')).substr(0, c.length);
        if (c.length > 300) {
            spec.resize(c.length, '9');
        }
        std::string device;
        std::string mode;
        EXPECT_EQ(SplitLinkSpec(spec.c_str(), device, mode), c.accepted) << c.length;
    }
    // Blanks count towards the length before they are dropped.
    std::string device;
    std::string mode;
    EXPECT_TRUE(SplitLinkSpec("C/b=1     ", device, mode));
    EXPECT_EQ(device, "C");
    EXPECT_EQ(mode, "b=1");
    EXPECT_FALSE(SplitLinkSpec("C/b=1    ", device, mode));
    EXPECT_FALSE(SplitLinkSpec(nullptr, device, mode));
}

}  // namespace
