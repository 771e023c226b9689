#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace orvane::cli {

// Whether this user may open a device node for reading and writing.
enum class Access { Ok, NotFound, Denied };
using AccessCheck = Access (*)(const std::string& path);
// access(path, R_OK | W_OK): Ok; NotFound when the node is missing (ENOENT, ENOTDIR); Denied
// otherwise.
Access PathAccess(const std::string& path);

// --list: prints the serial ports of the scan list and the present HID devices with their ids,
// path and what `access` says of them ("ok", "not found", "no access"), one per line, on `out`.
void ListDevices(const std::vector<std::string>& ports, IHidBackend& hid, AccessCheck access,
                 std::FILE* out);

// When a HID device with both ids is present but `access` refuses it, says so on `err`, naming
// the installed udev rule that fixes it, and returns true. Otherwise prints nothing, returns
// false.
bool ReportHidPermission(IHidBackend& hid, uint32_t vid, uint32_t pid, AccessCheck access,
                         std::FILE* err);
// When `access` refuses one of `ports` (present but not permitted), names the dialout group
// once on `err` and returns true.
bool ReportSerialPermission(const std::vector<std::string>& ports, AccessCheck access,
                            std::FILE* err);

}  // namespace orvane::cli
