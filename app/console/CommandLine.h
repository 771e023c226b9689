#pragma once

#include <string>
#include <vector>

namespace orvane {

// The console's options: --port DEVICE (repeatable; the RS232 scan tries exactly these ports,
// in this order), --simulate (both links talk to the built-in simulated device), --help and
// --version.
struct ConsoleOptions {
    std::vector<std::string> ports;
    bool simulate = false;
    bool help = false;
    bool version = false;
};

// The usage text, several lines each ending in "\n".
extern const char* const kConsoleUsage;

// Parses argv[1..argc-1] (Qt's own options already removed). Returns false with a message in
// *error for an unknown option or a --port without its device.
bool ParseConsoleOptions(int argc, const char* const* argv, ConsoleOptions& out,
                         std::string* error);

}  // namespace orvane
