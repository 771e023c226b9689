// The Win32 HID back end on the system's own HID class driver: under Wine, its virtual
// devices. None of them is ours, so the link finds nothing and stays closed.
#include <gtest/gtest.h>

#include <string>

#include "link/HidLink.h"
#include "platform/HidBackend.h"

namespace {

TEST(HidSystemDevices, EnumeratesInterfacePathsWithTheirIds) {
    const auto devices = orvane::SystemHidBackend().Enumerate();
    for (const auto& device : devices) {
        EXPECT_EQ(device.path.rfind("\\\\?\\", 0), 0U) << device.path;
        EXPECT_FALSE(device.vendorId == 0 && device.productId == 0) << device.path;
    }
    // The same list twice: enumeration order is the platform's and stable.
    const auto again = orvane::SystemHidBackend().Enumerate();
    ASSERT_EQ(again.size(), devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(again[i].path, devices[i].path);
    }
}

TEST(HidSystemDevices, OpenFindsNoOrvaneDeviceAndLeavesTheLinkClosed) {
    CHidLink link(&orvane::SystemHidBackend());
    EXPECT_EQ(link.Open(0x0ACD, 0x3710), 0);
    EXPECT_FALSE(link.IsOpen());
    uint8_t reply[64] = {};
    uint32_t count = 7;
    EXPECT_EQ(link.ReadMessage(reply, &count, sizeof reply), 0U);
    EXPECT_EQ(count, 0U);
    const uint8_t request[16] = {};
    EXPECT_EQ(link.WriteMessage(request, sizeof request), 1);  // nothing sent on a closed link
}

TEST(HidSystemDevices, OpensAPresentDeviceAndReadsItsCapabilities) {
    const auto devices = orvane::SystemHidBackend().Enumerate();
    int opened = 0;
    for (const auto& device : devices) {
        auto handle = orvane::SystemHidBackend().OpenPath(device.path);
        if (!handle) {
            continue;  // held by the system (a keyboard, say)
        }
        ++opened;
        EXPECT_GT(handle->InputReportLength() + handle->OutputReportLength(), 0U) << device.path;
    }
    if (devices.empty()) {
        GTEST_SKIP() << "this system shows no HID device";
    }
    EXPECT_GT(opened, 0) << "no HID device could be opened";
    // Ids that a device of that kind has: still not ours in lengths or ids.
    CHidLink link(&orvane::SystemHidBackend());
    EXPECT_EQ(link.Open(devices[0].vendorId, devices[0].productId) == 1, link.IsOpen());
}

TEST(HidSystemDevices, APathThatIsNotThereDoesNotOpen) {
    EXPECT_EQ(orvane::SystemHidBackend().OpenPath("\\\\?\\hid#vid_0acd&pid_3710#none#{0}"),
              nullptr);
    EXPECT_EQ(orvane::SystemHidBackend().OpenPath(""), nullptr);
}

}  // namespace
