#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/OrvaneDevice.h"

namespace orvane::cli {

// Exit statuses of orvane-flash.
enum ExitStatus : int {
    kExitSuccess = 0,        // "Firmware Successfully Downloaded."
    kExitSendFail = 1,       // "Send command fail."
    kExitNoDevice = 2,       // no device answered the probe
    kExitReadFail = 3,       // "Read file fail.": unreadable or refused script
    kExitUsage = 64,         // bad command line
    kExitInterrupted = 130,  // Ctrl-C (SIGINT): the run ended without a line
    kExitTerminated = 143,   // SIGTERM: the same
    kExitStopped = kExitInterrupted,
};

enum class Command { Flash, Decode, List, Help, Version };

// How much goes to stderr besides the usage errors.
enum class Verbosity {
    Quiet,    // nothing: stdout carries the log lines only
    Normal,   // why a port or a frame failed, which device answered, the progress bar
    Verbose,  // also each port tried and each exchange with its timings
};

// What the command line asks for. The texts keep what the operator typed; the numbers are
// read from them once they passed the checks below.
struct Options {
    Command command = Command::Flash;
    std::string script;  // Flash: the script; Decode: the script to decode
    bool usb = false;
    std::vector<std::string> ports;  // --port, in order; empty: the platform's list
    std::string baudText = "19200";
    std::string vidText = "0x0ACD";
    std::string pidText = "0x3710";
    unsigned long baud = 19200;  // 1 to 4294967295
    uint32_t vid = 0x0ACD;       // 0 to 0xFFFF
    uint32_t pid = 0x3710;
    bool simulate = false;
    sim::DeviceConfig simConfig;  // --sim-* switches
    Verbosity verbosity = Verbosity::Normal;
    std::string logPath;  // --log FILE: log lines with timestamps appended there; empty: none
};

// Parses argv[1..argc-1]. Returns false with a one-line reason in `error` for a usage error
// (exit status kExitUsage); a reason about a value names its option. Options take their value
// as the next argument or after '=' (--baud=9600); "--" ends the options. --baud must be a
// decimal number from 1 to 4294967295, --vid and --pid hexadecimal (0x optional) up to 0xFFFF.
// --help and --version win over everything after them. Touches no file and no device.
bool ParseOptions(int argc, char** argv, Options& out, std::string& error);

// The --help text.
std::string HelpText();

}  // namespace orvane::cli
