#pragma once

#include <string>

namespace orvane {

// The device name Windows opens for a serial port the operator typed: "COM11", "com11" and
// "\\.\COM11" all give "\\.\COM11" (COM10 and above open only by this name; the scan's own
// names have this form). Port numbers are 1 to 256 without leading zeros; any other text is
// returned unchanged, for the open to accept or refuse.
std::string WindowsComDeviceName(const std::string& typed);

}  // namespace orvane
