#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace orvane {

// Lists the hidraw nodes under `classDir` (normally /sys/class/hidraw) in the natural order of
// their numbers (hidraw2 before hidraw10), each as `devDir`/hidrawN with the ids and name from
// its device/uevent (HID_ID=bus:vendor:product in hex, HID_NAME=..., HID_UNIQ=serial number) and
// the USB port path of the interface its device link resolves into ("1-1.4" from
// .../1-1.4/1-1.4:1.0/0003:...; empty off USB). Entries that are not
// hidrawN, or whose uevent is missing or has no well-formed HID_ID, are left out. Reads sysfs
// only: no hidapi call, so it is safe while devices come and go. Linux only.
std::vector<HidDeviceInfo> EnumerateHidrawSysfs(const std::string& classDir,
                                                const std::string& devDir);

// True when the last component of `path` is "hidraw" followed by 1 to 9 decimal digits.
bool IsHidrawNodePath(const std::string& path);

// Lists the present HID devices with hid_enumerate (the platforms other than Linux).
std::vector<HidDeviceInfo> EnumerateWithHidapi();

// The platform's enumeration: EnumerateHidrawSysfs("/sys/class/hidraw", "/dev") on Linux,
// EnumerateWithHidapi elsewhere.
std::vector<HidDeviceInfo> EnumeratePlatformHid();

using HidEnumerator = std::function<std::vector<HidDeviceInfo>()>;

// The hidapi back end over `enumerate` (SystemHidBackend uses EnumeratePlatformHid; tests point
// it at a sysfs tree of their own). On Linux OpenPath refuses every path but hidraw nodes.
// hid_init runs once, at the first OpenPath. Every call on the thread that owns the link.
std::unique_ptr<IHidBackend> MakeHidapiBackend(HidEnumerator enumerate);

}  // namespace orvane
