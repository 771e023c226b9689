#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "platform/HidBackend.h"

namespace orvane::cli::station {

// What a station needs besides its options.
struct StationSetup {
    std::string program;  // the flasher to start for each device (SelfProgram)
    std::string tool;     // "orvane-flash <version>", for the records
    // Serial ports to watch or try; empty: the platform's scan, looked at anew on every pass.
    std::vector<std::string> ports;
    bool portsGiven = false;     // from --port or the simulation, not from the platform's scan
    IHidBackend* hid = nullptr;  // where USB devices are found (the simulation's or the system's)
    bool simulatedUsb = false;   // children simulate the same USB devices themselves
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool terminal = false;  // err is a terminal: live status lines
};

// --all and --watch: finds devices, runs one flasher per device (a child process with
// --station-child) and follows them all; prints their lines with a device prefix (or --json
// events), writes the --record records, the summary, and returns the exit status. SIGINT and
// SIGTERM (blocked by the caller, taken here) stop every download: each child gets the signal,
// no new one starts, and the status is 128 + the signal. Runs on the calling thread.
int RunStation(const Options& options, const StationSetup& setup);

// Blocks SIGINT and SIGTERM in the calling thread (and the threads it starts afterwards), for
// RunStation to take them.
void BlockStopSignals();

}  // namespace orvane::cli::station
