#pragma once

#include <string>

namespace orvane::vm {

// Writes the scenario scripts into `dir`: NAME.txt, and NAME.expect with the requests the
// device receives when the script is played in full, one per line as upper-case hex: "= HEX"
// exactly once, "+ HEX" once or more, "# HEX" a script frame (usb-full, rs232-full,
// usb-restarts, rs232-short). False when a file cannot be written.
bool WriteScripts(const std::string& dir);

}  // namespace orvane::vm
