#include "cli/Listing.h"

#include <gtest/gtest.h>

#include "cli/Diagnostics.h"
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

// hidraw1 is open to this user, ttyUSB9 is missing, everything else is refused.
Access OnlyHidraw1(const std::string& path) {
    return path == "/dev/hidraw1"   ? Access::Ok
           : path == "/dev/ttyUSB9" ? Access::NotFound
                                    : Access::Denied;
}
Access Everything(const std::string&) {
    return Access::Ok;
}

TEST(Listing, ShowsPortsAndDevicesWithIdsPathAndAccess) {
    TwoDevices hid;
    test::Capture out;
    ListDevices({"/dev/ttyUSB0", "/dev/ttyUSB9"}, hid, OnlyHidraw1, out.File());
    EXPECT_EQ(out.Text(),
              "Serial ports:\n"
              "  /dev/ttyUSB0  no access\n"
              "  /dev/ttyUSB9  not found\n"
              "HID devices:\n"
              "  046D:C52B  /dev/hidraw1  ok  Receiver\n"
              "  0ACD:3710  /dev/hidraw4  no access\n");
}

// A port that is not there is not a permission problem.
TEST(Listing, PathAccessTellsAMissingNodeFromARefusedOne) {
    EXPECT_EQ(PathAccess("/dev/null"), Access::Ok);
    EXPECT_EQ(PathAccess("/dev/ttyNOSUCHPORT"), Access::NotFound);
    EXPECT_EQ(PathAccess("/dev/null/below"), Access::NotFound);
}

TEST(Listing, NamesTheDialoutGroupOnceForARefusedPort) {
    test::Capture err;
    EXPECT_FALSE(ReportSerialPermission({"/dev/ttyUSB9"}, OnlyHidraw1, err.File()));
    EXPECT_EQ(err.Text(), "");
    EXPECT_TRUE(ReportSerialPermission({"/dev/ttyUSB9", "/dev/ttyS0", "/dev/ttyS1"}, OnlyHidraw1,
                                       err.File()));
#if defined(_WIN32)
    // Windows advice: the program that holds the port, no groups there.
    EXPECT_EQ(err.Text(),
              "orvane-flash: /dev/ttyS0: in use; close the program that holds it (a terminal "
              "program, another console or flasher) and try again\n");
#else
    EXPECT_EQ(err.Text(),
              "orvane-flash: /dev/ttyS0: permission denied; add this user to the dialout group "
              "(sudo usermod -aG dialout $USER), then log in again\n");
#endif
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
        EXPECT_EQ(text.find(InstalledUdevRule()) != std::string::npos, c.hint) << text;
#endif
        if (c.hint) {
            EXPECT_NE(text.find("/dev/hidraw4"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace orvane::cli
