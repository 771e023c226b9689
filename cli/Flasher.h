#pragma once

#include <string>
#include <vector>

#include "cli/ConsoleWindow.h"
#include "cli/Options.h"
#include "platform/HidBackend.h"

namespace orvane::cli {

// The Load command's flow without a window, on the calling thread. First reads and checks the
// script: one the worker would refuse gets "Read file fail." and its reason, and no port is
// touched. Then closes g_serialLink, opens the chosen link (RS232: scans `serialPorts` at the
// baud rate; USB: opens g_hidLink through `hid`, the back end it uses, and probes up to twice),
// prints the outcome line, and runs DownloadWorker with `window`. Why a port, the device or a
// frame failed goes to the window's Diagnose. Returns the exit status; kExitStopped when a stop
// request on the process clock ended the run (no outcome line is printed after it).
int RunFlash(const Options& options, const std::vector<std::string>& serialPorts, IHidBackend& hid,
             ConsoleWindow& window);

}  // namespace orvane::cli
