// Enumerating hidraw nodes from sysfs, and telling hidraw node paths from others.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SysfsTree.h"
#include "platform/HidEnum.h"

namespace {

using hidtest::SysfsTree;

TEST(HidEnumSysfsTest, ListsNodesInTheNaturalOrderOfTheirNumbers) {
    SysfsTree tree;
    tree.AddHidraw(10, 0x0ACD, 0x3710, "Orvane Bootloader");
    tree.AddHidraw(2, 0x046d, 0xc077, "Mouse");
    tree.AddHidraw(1, 0x0ACD, 0x3710, "Orvane");
    const auto devices = orvane::EnumerateHidrawSysfs(tree.ClassDir(), "/dev");
    ASSERT_EQ(devices.size(), 3U);
    EXPECT_EQ(devices[0].path, "/dev/hidraw1");
    EXPECT_EQ(devices[1].path, "/dev/hidraw2");
    EXPECT_EQ(devices[2].path, "/dev/hidraw10");
    EXPECT_EQ(devices[1].vendorId, 0x046D);
    EXPECT_EQ(devices[1].productId, 0xC077);
    EXPECT_EQ(devices[2].vendorId, 0x0ACD);
    EXPECT_EQ(devices[2].productId, 0x3710);
    EXPECT_EQ(devices[2].product, "Orvane Bootloader");
}

TEST(HidEnumSysfsTest, LeavesOutEntriesItCannotVouchFor) {
    SysfsTree tree;
    tree.AddHidraw(3, 0x0ACD, 0x3710, "good");
    const std::string big(5000, 'x');
    struct {
        const char* name;
        std::string uevent;
    } const skipped[] = {
        {"hidraw", "HID_ID=0003:00000ACD:00003710\n"},
        {"hidrawX", "HID_ID=0003:00000ACD:00003710\n"},
        {"hidraw1234567890", "HID_ID=0003:00000ACD:00003710\n"},  // number too long
        {"mouse0", "HID_ID=0003:00000ACD:00003710\n"},
        {"hidraw4", ""},  // no uevent
        {"hidraw5", "HID_NAME=no id\n"},
        {"hidraw6", "HID_ID=0003:00000ACD\n"},                    // two fields
        {"hidraw7", "HID_ID=0003:00010ACD:00003710\n"},           // vendor above 0xFFFF
        {"hidraw8", "HID_ID=0003:00000ACG:00003710\n"},           // not hex
        {"hidraw9", "HID_ID=0003::00003710\n"},                   // empty field
        {"hidraw11", "HID_ID=0003:000000000ACD:00003710\n"},      // more than 8 digits
        {"hidraw12", big + "\nHID_ID=0003:00000ACD:00003710\n"},  // past the bounded read
    };
    for (const auto& s : skipped) {
        tree.Add(s.name, s.uevent);
    }
    const auto devices = orvane::EnumerateHidrawSysfs(tree.ClassDir(), "/dev");
    ASSERT_EQ(devices.size(), 1U);
    EXPECT_EQ(devices[0].path, "/dev/hidraw3");
}

TEST(HidEnumSysfsTest, MissingClassDirectoryGivesNothing) {
    EXPECT_TRUE(orvane::EnumerateHidrawSysfs("/nonexistent/hid/class", "/dev").empty());
}

TEST(HidEnumSysfsTest, TellsHidrawNodePaths) {
    struct {
        const char* path;
        bool node;
    } const cases[] = {
        {"/dev/hidraw0", true},
        {"/dev/hidraw123456789", true},
        {"hidraw7", true},
        {"/dev/hidraw", false},
        {"/dev/hidraw1234567890", false},
        {"/dev/hidraw1x", false},
        {"/dev/sda", false},
        {"/dev/hidraw0/", false},
        {"/dev/usb/hiddev0", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orvane::IsHidrawNodePath(c.path), c.node) << c.path;
    }
}

}  // namespace
