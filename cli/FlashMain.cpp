// orvane-flash: the console's Load command without a window.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cli/ConsoleWindow.h"
#include "cli/Decode.h"
#include "cli/Flasher.h"
#include "cli/Listing.h"
#include "cli/Options.h"
#include "cli/station/ChildProcess.h"
#include "cli/station/DeviceRun.h"
#include "cli/station/SingleRun.h"
#include "cli/station/Station.h"
#include "link/HidLink.h"
#include "platform/Clock.h"
#include "platform/PortList.h"
#include "platform/SendGate.h"
#include "sim/Simulation.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace {

// The window of the run, once it exists; it lives until the process ends.
std::atomic<orvane::cli::ConsoleWindow*> g_runWindow{nullptr};

// SIGINT and SIGTERM become a stop request on the process clock. They are taken by a thread of
// their own (sigwait), so nothing but plain code runs on their arrival. The stop is requested
// under the log guard, so no line can be appended once it is in.
void WatchSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        while (sigwait(&signals, &signal) == 0) {
            if (orvane::cli::ConsoleWindow* window = g_runWindow.load()) {
                std::lock_guard<std::mutex> lock(window->m_logGuard);
                orvane::RequestStopAndDrain();
            } else {
                orvane::RequestStopAndDrain();
            }
        }
    }).detach();
}

bool AlwaysAccessible(const std::string& /*path*/) {
    return true;
}

// --all and --watch: one flasher per device under a station (cli/station).
int RunStationMain(const orvane::cli::Options& options, const char* argv0) {
    using namespace orvane::cli;
    station::BlockStopSignals();  // before any other thread starts
    station::StationSetup setup;
    setup.program = station::SelfProgram(argv0);
    setup.tool = "orvane-flash " ORVANE_VERSION;
    setup.ports = options.ports;
    setup.portsGiven = !options.ports.empty();
    setup.hid = &orvane::SystemHidBackend();
    setup.terminal = isatty(STDERR_FILENO) != 0;
    std::unique_ptr<orvane::sim::Simulation> simulation;
    if (options.simulate) {
        simulation = std::make_unique<orvane::sim::Simulation>(options.simSetup);
        std::string error;
        if (!options.usb && !simulation->Start(&error)) {
            std::fprintf(stderr, "orvane-flash: cannot start the simulated devices: %s\n",
                         error.c_str());
            return kExitNoDevice;
        }
        setup.ports = simulation->SerialPorts();
        setup.portsGiven = true;
        setup.hid = simulation->HidBackend();
        setup.simulatedUsb = true;
    }
    const int status = station::RunStation(options, setup);
    if (simulation) {
        simulation->Stop();
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orvane::cli;

    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvane-flash: %s\nTry 'orvane-flash --help'.\n", error.c_str());
        return kExitUsage;
    }
    switch (options.command) {
        case Command::Help:
            std::fputs(HelpText().c_str(), stdout);
            return kExitSuccess;
        case Command::Version:
            std::printf("orvane-flash %s\n", ORVANE_VERSION);
            return kExitSuccess;
        case Command::Decode:
            return DecodeScript(options.script, stdout, stderr);
        case Command::List:
        case Command::Flash:
            break;
    }

    if (!options.station.recordDir.empty() &&
        !station::CheckRecordDir(options.station.recordDir, error)) {
        std::fprintf(stderr, "orvane-flash: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.command == Command::Flash && options.station.Supervises()) {
        return RunStationMain(options, argv[0]);
    }

    WatchSignals();  // before any other thread starts, so that all inherit the mask

    std::unique_ptr<orvane::sim::Simulation> simulation;
    std::vector<std::string> ports = options.ports;
    orvane::IHidBackend* hid = &orvane::SystemHidBackend();
    if (options.simulate) {
        simulation = std::make_unique<orvane::sim::Simulation>(options.simSetup);
        if (!simulation->Start(&error)) {
            std::fprintf(stderr, "orvane-flash: cannot start the simulated device: %s\n",
                         error.c_str());
            if (!options.usb) {
                std::puts("Open RS232 interface fail.");
                return kExitNoDevice;
            }
        }
        ports = simulation->SerialPorts();
        hid = simulation->HidBackend();
        g_hidLink.SetBackend(hid);
    } else if (ports.empty()) {
        ports = orvane::SerialPortCandidates();
    }

    int status = kExitSuccess;
    if (options.command == Command::List) {
        ListDevices(ports, *hid, options.simulate ? AlwaysAccessible : PathAccessible, stdout);
        if (!options.simulate) {
            ReportHidPermission(*hid, options.vid, options.pid, PathAccessible, stderr);
        }
    } else {
        static ConsoleWindow window(stdout, isatty(STDERR_FILENO) ? stderr : nullptr);
        g_runWindow = &window;
        std::unique_ptr<station::SingleRun> single;
        if (station::SingleRun::Wanted(options)) {
            single = std::make_unique<station::SingleRun>(options, "orvane-flash " ORVANE_VERSION,
                                                          *hid, stdout, stderr);
            single->Begin(window);
        }
        status = RunFlash(options, ports, *hid, !options.simulate, window, stderr);
        if (single) {
            status = single->Finish(status);
        }
    }
    if (simulation) {
        g_hidLink.SetBackend(nullptr);
        simulation->Stop();
    }
    return status;
}
