#pragma once

#include <string>

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

// The switches with one line of help each, for --help texts.
const char* DeviceOptionsHelp();

}  // namespace orvane::sim
