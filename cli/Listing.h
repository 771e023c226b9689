#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace orvane::cli {

// Decides whether this user may open a device node for reading and writing.
using AccessCheck = bool (*)(const std::string& path);
// access(path, R_OK | W_OK) == 0.
bool PathAccessible(const std::string& path);

// --list: prints the serial ports of the scan list and the present HID devices with their ids,
// path and whether `accessible` allows them, one per line, on `out`.
void ListDevices(const std::vector<std::string>& ports, IHidBackend& hid, AccessCheck accessible,
                 std::FILE* out);

// When a HID device with both ids is present but `accessible` refuses it, says so on `err`,
// naming the udev rule that fixes it, and returns true. Otherwise prints nothing, returns false.
bool ReportHidPermission(IHidBackend& hid, uint32_t vid, uint32_t pid, AccessCheck accessible,
                         std::FILE* err);

}  // namespace orvane::cli
