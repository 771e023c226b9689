// The serial number and USB port path of hidraw nodes, read from a sysfs look-alike whose
// device links point into a USB topology as the kernel lays it out.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/HidEnum.h"

namespace {

namespace fs = std::filesystem;

class SysfsUsbTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 ("station-sysfs-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "class");
    }
    void TearDown() override { fs::remove_all(m_root); }

    // hidrawN whose device link resolves to `devicePath` (under devices/), with `uniq` as its
    // HID_UNIQ.
    void Add(unsigned number, const std::string& devicePath, const std::string& uniq) {
        const fs::path device = m_root / "devices" / devicePath;
        fs::create_directories(device);
        std::ofstream(device / "uevent") << "DRIVER=hid-generic\nHID_ID=0003:00000ACD:00003710\n"
                                            "HID_NAME=Orvane\nHID_UNIQ="
                                         << uniq << "\n";
        const fs::path entry = m_root / "class" / ("hidraw" + std::to_string(number));
        fs::create_directories(entry);
        fs::create_directory_symlink(device, entry / "device");
    }

    fs::path m_root;
};

TEST_F(SysfsUsbTest, ReadsSerialNumberAndPortPathOfEachNode) {
    struct Case {
        unsigned number;
        const char* devicePath;
        const char* uniq;
        const char* port;
    } const cases[] = {
        {0, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0ACD:3710.0001", "A1", "1-2"},
        {1, "pci0000:00/0000:00:14.0/usb1/1-1/1-1.4/1-1.4:1.0/0003:0ACD:3710.0002", "A2", "1-1.4"},
        {2, "pci0000:00/0000:00:14.0/usb3/3-1/3-1.2/3-1.2.3/3-1.2.3:1.1/0003:0ACD:3710.0003", "",
         "3-1.2.3"},
        {3, "virtual/misc/uhid/0003:0ACD:3710.0004", "U4", ""},  // not on USB
    };
    for (const Case& c : cases) {
        Add(c.number, c.devicePath, c.uniq);
    }
    const auto found = orvane::EnumerateHidrawSysfs((m_root / "class").string(), "/dev");
    ASSERT_EQ(found.size(), std::size(cases));
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].path, "/dev/hidraw" + std::to_string(cases[i].number));
        EXPECT_EQ(found[i].serialNumber, cases[i].uniq) << i;
        EXPECT_EQ(found[i].portPath, cases[i].port) << i;
    }
}

TEST_F(SysfsUsbTest, ANodeWithoutADeviceLinkTargetHasNoPortPath) {
    // A plain directory, as the older look-alike trees have it: nothing to resolve.
    const fs::path device = m_root / "class" / "hidraw7" / "device";
    fs::create_directories(device);
    std::ofstream(device / "uevent") << "HID_ID=0003:00000ACD:00003710\nHID_UNIQ=S7\n";
    const auto found = orvane::EnumerateHidrawSysfs((m_root / "class").string(), "/dev");
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].serialNumber, "S7");
    EXPECT_EQ(found[0].portPath, "");
}

}  // namespace
