#pragma once

#include <string>

namespace orvane {

// True when the calling process may open `path` for reading and writing (access(2) with R_OK
// and W_OK; on Windows: the path exists). A hidraw node that fails this usually lacks the udev
// rule of res/udev/70-orvane.rules.
bool HidPathAccessible(const std::string& path);

}  // namespace orvane
