#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/ConsoleWindow.h"
#include "cli/Options.h"
#include "platform/HidBackend.h"

namespace orvane::cli {

// The Load command's flow without a window, on the calling thread: closes g_serialLink, opens
// the chosen link (RS232: scans `serialPorts` at the baud rate; USB: opens g_hidLink through its
// current back end and probes up to twice), prints the outcome line, then runs DownloadWorker
// with `window`. Diagnostics go to `err`. `hid` is the back end to look for a device that is
// present but not permitted (for the hint on `err`). Returns the exit status.
int RunFlash(const Options& options, const std::vector<std::string>& serialPorts, IHidBackend& hid,
             bool checkPermission, ConsoleWindow& window, std::FILE* err);

}  // namespace orvane::cli
