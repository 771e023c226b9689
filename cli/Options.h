#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/station/StationOptions.h"
#include "sim/DeviceOptions.h"
#include "sim/OrvaneDevice.h"

namespace orvane::cli {

// Exit statuses of orvane-flash.
enum ExitStatus : int {
    kExitSuccess = 0,    // "Firmware Successfully Downloaded."
    kExitSendFail = 1,   // "Send command fail."
    kExitNoDevice = 2,   // no device answered the probe
    kExitReadFail = 3,   // "Read file fail.": unreadable or refused script
    kExitStopped = 130,  // interrupted: the run ended without a line
    kExitUsage = 64,     // bad command line
};

enum class Command { Flash, Decode, List, Help, Version };

// What the command line asks for. The texts keep what the operator typed; the numbers are
// read from them as the console's Load command reads its fields.
struct Options {
    Command command = Command::Flash;
    std::string script;  // Flash: the script; Decode: the script to decode
    bool usb = false;
    std::vector<std::string> ports;  // --port, in order; empty: the platform's list
    std::string baudText = "19200";
    std::string vidText = "0x0ACD";
    std::string pidText = "0x3710";
    unsigned long baud = 19200;  // strtoul(baudText, 10)
    uint32_t vid = 0x0ACD;       // strtoul(vidText, 16), kept to 32 bits
    uint32_t pid = 0x3710;
    bool simulate = false;
    sim::DeviceConfig simConfig;  // --sim-* switches, as they set the first device
    sim::SimSetup simSetup;       // --sim-* switches, every device
    station::StationOptions station;
};

// Parses argv[1..argc-1]. Returns false with a one-line reason in `error` for a usage error
// (exit status kExitUsage). --help and --version win over everything after them.
bool ParseOptions(int argc, char** argv, Options& out, std::string& error);

// The --help text.
std::string HelpText();

}  // namespace orvane::cli
