#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/OrvaneDevice.h"

namespace orvane::sim {

// The command-line switches of the simulated device, shared by orvane-sim and
// orvane-flash --simulate. Each takes one value except --sim-silent:
//   --sim-version TEXT  --sim-delay MS  --sim-restart MS  --sim-silent
//   --sim-fail N  --sim-silent-frame N  --sim-garbage N  --sim-bad-crc N  --sim-hang-up N
//   --sim-seed N
// Numbers are decimal.

// Looks at argv[i]. Returns the number of arguments it took (1 or 2) into `config`, 0 when
// argv[i] is not one of these switches, or -1 with a reason in `error` when its value is
// missing or not a number.
int TakeDeviceOption(int argc, char** argv, int i, DeviceConfig& config, std::string& error);

// The simulated devices of orvane-flash --simulate: how many (--sim-devices N) and the device
// switches above, each for every device or, with "@K" after its value (after the name for
// --sim-silent: --sim-silent@K), for device K alone (from 1). Later switches win.
struct SimSetup {
    static constexpr uint32_t kMaxDevices = 64;

    struct Switch {
        uint32_t device = 0;  // 0: every device
        std::string name;
        std::string value;  // empty for --sim-silent
    };
    uint32_t devices = 1;
    std::vector<Switch> switches;

    // The configuration of device `device` (from 1).
    DeviceConfig ConfigFor(uint32_t device) const;
    // The switches as a command line that gives this setup again.
    std::vector<std::string> Args() const;
};

// TakeDeviceOption for a SimSetup: also takes --sim-devices N (1 to kMaxDevices) and the "@K"
// device suffixes. Returns as TakeDeviceOption; a device number of 0 or above the count is
// refused once the whole command line is read (CheckSimSetup).
int TakeSimOption(int argc, char** argv, int i, SimSetup& setup, std::string& error);
// False with a reason when a switch names a device beyond setup.devices.
bool CheckSimSetup(const SimSetup& setup, std::string& error);

// The switches with one line of help each, for --help texts.
const char* DeviceOptionsHelp();

}  // namespace orvane::sim
