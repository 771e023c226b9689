// The station starts one flasher per device through posix_spawn and pipes; there is no Windows
// twin yet, so --all and --watch end as a usage error there, before any device is touched.
#include <cstdio>

#include "cli/station/ChildProcess.h"
#include "cli/station/Station.h"

namespace orvane::cli::station {

int RunStation(const Options& /*options*/, const StationSetup& setup) {
    std::fprintf(setup.err, "orvane-flash: --all and --watch are not available on Windows yet\n");
    return kExitUsage;
}

void BlockStopSignals() {}

std::string SelfProgram(const char* argv0) {
    return argv0 != nullptr ? argv0 : "orvane-flash";
}

}  // namespace orvane::cli::station
