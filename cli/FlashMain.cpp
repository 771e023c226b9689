// orvane-flash: the console's Load command without a window.
#if defined(_WIN32)
#include <io.h>

#include "cli/ConsoleStop.h"
#include "platform/PortName.h"
#else
#include <pthread.h>
#include <unistd.h>
#endif

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

#if !defined(_WIN32)
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
#endif

bool StderrIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

bool AlwaysAccessible(const std::string& /*path*/) {
    return true;
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

#if defined(_WIN32)
    WatchStopRequests(g_runWindow);
    // COM10 and above open only by their device name; COM3 is accepted as \\.\COM3 is.
    for (std::string& port : options.ports) {
        port = orvane::WindowsComDeviceName(port);
    }
#else
    WatchSignals();  // before any other thread starts, so that all inherit the mask
#endif

    std::unique_ptr<orvane::sim::Simulation> simulation;
    std::vector<std::string> ports = options.ports;
    orvane::IHidBackend* hid = &orvane::SystemHidBackend();
    if (options.simulate) {
        simulation = std::make_unique<orvane::sim::Simulation>(options.simConfig);
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
        static ConsoleWindow window(stdout, StderrIsTerminal() ? stderr : nullptr);
        g_runWindow = &window;
        status = RunFlash(options, ports, *hid, !options.simulate, window, stderr);
    }
    if (simulation) {
        g_hidLink.SetBackend(nullptr);
        simulation->Stop();
    }
#if defined(_WIN32)
    RunEnded();
#endif
    return status;
}
