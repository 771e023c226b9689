#pragma once

#include <string>
#include <vector>

namespace orvane {

// At most this many ports are offered to a scan.
inline constexpr size_t kMaxSerialPorts = 40;

// The serial ports a scan tries, in the order to try them, at most kMaxSerialPorts device
// names as the serial back end opens them. Windows: \\.\COM1 to \\.\COM40. Linux: the
// present ports from sysfs ("/dev/ttyACM0", "/dev/ttyUSB1", ...), never the kernel console.
std::vector<std::string> SerialPortCandidates();

#if defined(__linux__)
// The Linux rule over a sysfs tty class directory (normally /sys/class/tty); for tests.
// An entry qualifies when it has a `device` link, is not a virtual terminal (ttyN) and is not
// named in `console/active`; a ttyS entry only when its `type` is a non-zero UART type.
// Names sort naturally: by the letters before the trailing number, then by that number
// (ttyACM2 before ttyACM10).
std::vector<std::string> SerialPortCandidatesIn(const std::string& ttyClassDir);
#endif

}  // namespace orvane
