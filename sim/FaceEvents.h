#pragma once

#include <cstdio>
#include <string>

namespace orvane::sim {

class OrvaneDevice;

// Logs one event of a real-driver face on `log` (nothing when null) as
// "<device ms> ms  <event>", a line that tests read back. Any thread.
void LogEvent(std::FILE* log, const OrvaneDevice& device, const std::string& event);

// Writes `text` to a sysfs or configfs attribute in one write. False when it cannot be opened
// or the kernel refuses the value.
bool WriteSysfs(const std::string& path, const std::string& text);
// The attribute's first line without its line end; empty when it cannot be read.
std::string ReadSysfsLine(const std::string& path);

}  // namespace orvane::sim
