#include "cli/Listing.h"

#include <gtest/gtest.h>

#include "tests/cli/Capture.h"

namespace orvane::cli {
namespace {

class TwoDevices final : public IHidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate() override {
        return {{"/dev/hidraw1", 0x046D, 0xC52B, "Receiver"}, {"/dev/hidraw4", 0x0ACD, 0x3710, ""}};
    }
    std::unique_ptr<IHidDevice> OpenPath(const std::string&) override { return nullptr; }
};

bool OnlyHidraw1(const std::string& path) {
    return path == "/dev/hidraw1";
}
bool Everything(const std::string&) {
    return true;
}

TEST(Listing, ShowsPortsAndDevicesWithIdsPathAndAccess) {
    TwoDevices hid;
    test::Capture out;
    ListDevices({"/dev/ttyUSB0"}, hid, OnlyHidraw1, out.File());
    EXPECT_EQ(out.Text(),
              "Serial ports:\n"
              "  /dev/ttyUSB0  no access\n"
              "HID devices:\n"
              "  046D:C52B  /dev/hidraw1  ok  Receiver\n"
              "  0ACD:3710  /dev/hidraw4  no access\n");
}

TEST(Listing, NamesTheUdevRuleOnlyForAMatchingDeviceThatCannotBeOpened) {
    struct Case {
        uint32_t vid;
        uint32_t pid;
        AccessCheck access;
        bool hint;
    };
    const Case cases[] = {
        {0x0ACD, 0x3710, OnlyHidraw1, true},
        {0x0ACD, 0x3710, Everything, false},
        {0x0ACD, 0x9999, OnlyHidraw1, false},
        {0x046D, 0xC52B, OnlyHidraw1, false},
    };
    for (const Case& c : cases) {
        TwoDevices hid;
        test::Capture err;
        EXPECT_EQ(ReportHidPermission(hid, c.vid, c.pid, c.access, err.File()), c.hint);
        const std::string text = err.Text();
#if defined(_WIN32)
        // Windows advice only: no udev, no sudo there.
        EXPECT_EQ(text.find("close any other program") != std::string::npos, c.hint) << text;
        EXPECT_EQ(text.find("udev"), std::string::npos) << text;
        EXPECT_EQ(text.find("sudo"), std::string::npos) << text;
#else
        EXPECT_EQ(text.find("res/udev/70-orvane.rules") != std::string::npos, c.hint) << text;
#endif
        if (c.hint) {
            EXPECT_NE(text.find("/dev/hidraw4"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace orvane::cli
