#pragma once

#include <memory>

#include "app/console/UpdaterDlg.h"

namespace orvane {

namespace sim {
class Simulation;
}

// What the program shows its window with: the window's setup and, for --simulate, the
// simulated device. Destroying it stops the device and takes its HID back end off g_hidLink.
struct ConsoleRun {
    ConsoleRun();
    ~ConsoleRun();
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    UpdaterDlgSetup setup;
    std::unique_ptr<sim::Simulation> simulation;
};

// The result of PrepareConsoleRun when the window is to be shown.
constexpr int kShowWindow = -1;

// Reads the command line (argv[1..argc-1], the window system's own options already taken out)
// into `run` with `worker` as the download worker. Returns kShowWindow, or the exit code to end
// with: 0 after --help or --version (printed on stdout), 2 for a bad command line (message and
// usage on stderr), 1 when the simulated device cannot start (reason on stderr).
int PrepareConsoleRun(int argc, const char* const* argv, WorkerThread::Function worker,
                      ConsoleRun& run);

// True when argv[1..argc-1] asks for --help or --version, which need no window system.
bool WantsTextOnly(int argc, const char* const* argv);

}  // namespace orvane
