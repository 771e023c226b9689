#include "cli/station/StationOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orvane::cli::station {

int TakeStationOption(int argc, char** argv, int i, StationOptions& out, std::string& error) {
    const std::string name = argv[i];
    if (name == "--all") {
        out.all = true;
        return 1;
    }
    if (name == "--watch") {
        out.watch = true;
        return 1;
    }
    if (name == "--json") {
        out.json = true;
        return 1;
    }
    if (name == "--station-child") {
        out.child = true;
        out.json = true;
        return 1;
    }
    if (name != "--count" && name != "--record" && name != "--pin-port" && name != "--pin-serial" &&
        name != "--pin-path") {
        return 0;
    }
    if (i + 1 >= argc) {
        error = name + " needs a value";
        return -1;
    }
    const char* value = argv[i + 1];
    if (name == "--count") {
        errno = 0;
        char* end = nullptr;
        const unsigned long n = std::strtoul(value, &end, 10);
        if (*value < '0' || *value > '9' || *end != '\0' || errno != 0 || n == 0 || n > 1000000UL) {
            error = std::string("--count: not a number from 1 to 1000000: ") + value;
            return -1;
        }
        out.count = static_cast<uint32_t>(n);
    } else if (name == "--record") {
        if (*value == '\0') {
            error = "--record needs a directory";
            return -1;
        }
        out.recordDir = value;
    } else if (name == "--pin-port") {
        out.pin.portPath = value;
    } else if (name == "--pin-serial") {
        out.pin.serialNumber = value;
    } else {
        out.pin.path = value;
    }
    return 2;
}

bool CheckStationOptions(const StationOptions& station, bool usb, std::string& error) {
    if (station.all && station.watch) {
        error = "--all and --watch cannot go together";
    } else if (station.count > 0 && !station.all && !station.watch) {
        error = "--count needs --watch or --all";
    } else if (!station.pin.Empty() && !usb) {
        error = "--pin-* is for --usb";
    } else {
        return true;
    }
    return false;
}

const char* StationOptionsHelp() {
    return "  --all           flash every device that answers, all at once\n"
           "  --watch         station mode: flash each device once as it appears, until\n"
           "                  interrupted\n"
           "  --count N       with --watch or --all: end after N devices\n"
           "  --json          JSON Lines on stdout instead of text (docs/json-lines.md)\n"
           "  --record DIR    write one JSON audit record per download into DIR\n";
}

}  // namespace orvane::cli::station
