#pragma once

#include <cstdint>
#include <string>

#include "platform/HidBackend.h"

namespace orvane::cli::station {

// The station's switches of orvane-flash: --all, --watch, --count N, --json, --record DIR, and
// the hidden ones a station passes to the flasher it runs for each device: --pin-port PATH,
// --pin-serial TEXT, --pin-path PATH (the HID device to keep to, HidDeviceIdentity) and
// --station-child (machine lines for the station on stdout, waits included).
struct StationOptions {
    bool all = false;
    bool watch = false;
    uint32_t count = 0;  // 0: no limit
    bool json = false;
    std::string recordDir;  // empty: no records
    HidDeviceIdentity pin;
    bool child = false;

    // True when this run supervises several downloads (--all or --watch).
    bool Supervises() const { return (all || watch) && !child; }
};

// Looks at argv[i]. Returns the number of arguments taken (1 or 2), 0 when argv[i] is none of
// the switches above, -1 with a reason in `error` when a value is missing or malformed.
int TakeStationOption(int argc, char** argv, int i, StationOptions& out, std::string& error);

// False with a reason for a combination that makes no sense (--count without --watch or
// --all, --all with --watch, a pin without --usb).
bool CheckStationOptions(const StationOptions& station, bool usb, std::string& error);

// Help lines for the switches that are not hidden.
const char* StationOptionsHelp();

}  // namespace orvane::cli::station
