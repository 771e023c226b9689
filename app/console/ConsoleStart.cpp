#include "app/console/ConsoleStart.h"

#include <cstdio>
#include <string>

#include "app/console/CommandLine.h"
#include "link/HidLink.h"
#include "sim/Simulation.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace orvane {

ConsoleRun::ConsoleRun() = default;

ConsoleRun::~ConsoleRun() {
    if (simulation) {
        g_hidLink.SetBackend(nullptr);
        simulation->Stop();
    }
}

bool WantsTextOnly(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            return true;
        }
    }
    return false;
}

int PrepareConsoleRun(int argc, const char* const* argv, WorkerThread::Function worker,
                      ConsoleRun& run) {
    ConsoleOptions options;
    std::string error;
    if (!ParseConsoleOptions(argc, argv, options, &error)) {
        std::fprintf(stderr, "orvane-updater: %s\n%s", error.c_str(), kConsoleUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kConsoleUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("orvane-updater %s\n", ORVANE_VERSION);
        return 0;
    }
    run.setup.worker = worker;
    run.setup.serialPorts = options.ports;
    if (options.simulate) {
        run.simulation = std::make_unique<sim::Simulation>();
        if (!run.simulation->Start(&error)) {
            std::fprintf(stderr, "orvane-updater: cannot start the simulated device: %s\n",
                         error.c_str());
            run.simulation.reset();
            return 1;
        }
        run.setup.serialPorts = run.simulation->SerialPorts();
        g_hidLink.SetBackend(run.simulation->HidBackend());
    }
    return kShowWindow;
}

}  // namespace orvane
