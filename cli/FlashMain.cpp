// orvane-flash: the console's Load command without a window.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/ConsoleWindow.h"
#include "cli/Decode.h"
#include "cli/Diagnostics.h"
#include "cli/Flasher.h"
#include "cli/Interrupt.h"
#include "cli/Listing.h"
#include "cli/LogFile.h"
#include "cli/Options.h"
#include "cli/Terminal.h"
#include "cli/station/ChildProcess.h"
#include "cli/station/DeviceRun.h"
#include "cli/station/SingleRun.h"
#include "cli/station/Station.h"
#include "link/HidLink.h"
#include "platform/PortList.h"
#include "sim/Simulation.h"
#if defined(_WIN32)
#include "platform/PortName.h"
#endif

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace {

using namespace orvane::cli;

Access AlwaysAccessible(const std::string& /*path*/) {
    return Access::Ok;
}

int List(const Options& options, const std::vector<std::string>& ports, orvane::IHidBackend& hid) {
    ListDevices(ports, hid, options.simulate ? AlwaysAccessible : PathAccess, stdout);
    if (!options.simulate && options.verbosity != Verbosity::Quiet) {
        ReportSerialPermission(ports, PathAccess, stderr);
        ReportHidPermission(hid, options.vid, options.pid, PathAccess, stderr);
    }
    return kExitSuccess;
}

int Flash(const Options& options, const std::vector<std::string>& ports, orvane::IHidBackend& hid,
          LogFile& log) {
    ConsoleSetup setup;
    setup.out = stdout;
    setup.log = log.IsOpen() ? &log : nullptr;
    if (options.verbosity != Verbosity::Quiet) {
        setup.err = stderr;
        setup.verbose = options.verbosity == Verbosity::Verbose;
        if (CanRedrawLine(stderr)) {
            setup.progress = stderr;
            setup.columns = TerminalColumns(stderr);
        }
    }
    // Never destroyed: the interrupt watcher may still hold its guard while the process ends
    // and the static destructors run.
    static ConsoleWindow& window = *new ConsoleWindow(setup);
    SetInterruptGuard(&window.m_logGuard);
    // --json, --record and a station's pin (cli/station).
    std::unique_ptr<station::SingleRun> single;
    if (station::SingleRun::Wanted(options)) {
        single = std::make_unique<station::SingleRun>(options, "orvane-flash " ORVANE_VERSION, hid,
                                                      stdout, stderr);
        single->Begin(window);
    }
    int status = RunFlash(options, ports, hid, window);
    window.EndProgress();
    const Interrupt interrupt = InterruptReceived();
    if (status == kExitStopped && interrupt != Interrupt::None) {
        // One line even with --quiet: it is the only word the operator gets of the stop.
        std::fprintf(stderr, "orvane-flash: %s\n",
                     DescribeInterrupt(interrupt, window.Done(), window.Total()).c_str());
        status = interrupt == Interrupt::Terminated ? kExitTerminated : kExitInterrupted;
    }
    return single ? single->Finish(status) : status;
}

// --all and --watch: one flasher per device under a station (cli/station).
int RunStationMain(const Options& options, const char* argv0) {
    station::BlockStopSignals();  // before any other thread starts
    station::StationSetup setup;
    setup.program = station::SelfProgram(argv0);
    setup.tool = "orvane-flash " ORVANE_VERSION;
    setup.ports = options.ports;
    setup.portsGiven = !options.ports.empty();
    setup.hid = &orvane::SystemHidBackend();
    setup.terminal = CanRedrawLine(stderr);
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
            return DecodeScript(options.script, stdout, stderr, options.usb);
        case Command::List:
        case Command::Flash:
            break;
    }
    LogFile log;
    if (!options.logPath.empty() && !log.Open(options.logPath, error)) {
        std::fprintf(stderr, "orvane-flash: --log %s: %s\n", options.logPath.c_str(),
                     error.c_str());
        return kExitUsage;
    }

    if (!options.station.recordDir.empty() &&
        !station::CheckRecordDir(options.station.recordDir, error)) {
        std::fprintf(stderr, "orvane-flash: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.command == Command::Flash && options.station.Supervises()) {
        return RunStationMain(options, argv[0]);
    }

    WatchInterrupts();  // before any other thread starts, so that all inherit the mask

    std::unique_ptr<orvane::sim::Simulation> simulation;
    std::vector<std::string> ports = options.ports;
#if defined(_WIN32)
    // COM10 and above open only by their device name; "COM3" is taken as "\\.\COM3" is.
    for (std::string& port : ports) {
        port = orvane::WindowsComDeviceName(port);
    }
#endif
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

    const int status = options.command == Command::List ? List(options, ports, *hid)
                                                        : Flash(options, ports, *hid, log);
    if (simulation) {
        g_hidLink.SetBackend(nullptr);
        simulation->Stop();
    }
    return status;
}
