// orvane-sim: serves the simulated device on a pseudo-terminal until Ctrl-C.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "sim/DeviceOptions.h"
#include "sim/OrvaneDevice.h"
#include "sim/SimSerialDevice.h"

namespace {

void PrintHelp() {
    std::printf(
        "Usage: orvane-sim [OPTIONS]\n"
        "Serves a simulated Orvane device on a pseudo-terminal, prints its path and runs until\n"
        "interrupted. Each request is logged on stderr.\n\n%s"
        "  --help                 this text\n",
        orvane::sim::DeviceOptionsHelp());
}

void LogFrame(const orvane::sim::ReceivedFrame& frame) {
    std::fprintf(stderr, "%8u ms  %3zu bytes%s ", frame.atMs, frame.bytes.size(),
                 frame.answered ? "" : " (no answer)");
    for (uint8_t b : frame.bytes) {
        std::fprintf(stderr, " %02X", b);
    }
    std::fputc('\n', stderr);
}

}  // namespace

int main(int argc, char** argv) {
    orvane::sim::DeviceConfig config;
    for (int i = 1; i < argc;) {
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintHelp();
            return 0;
        }
        std::string error;
        const int taken = orvane::sim::TakeDeviceOption(argc, argv, i, config, error);
        if (taken <= 0) {
            std::fprintf(
                stderr, "orvane-sim: %s\n",
                taken < 0 ? error.c_str() : ("unknown option " + std::string(argv[i])).c_str());
            return 64;
        }
        i += taken;
    }

    // Signals are taken synchronously below, so block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    orvane::sim::OrvaneDevice device(config);
    orvane::sim::SimSerialDevice serial(device);
    std::string error;
    if (!serial.Start(&error)) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", serial.SlavePath().c_str());
    std::fflush(stdout);

    std::size_t logged = 0;
    const timespec slice{0, 100 * 1000 * 1000};
    while (sigtimedwait(&signals, nullptr, &slice) < 0) {
        const auto received = device.Received();
        for (; logged < received.size(); ++logged) {
            LogFrame(received[logged]);
        }
    }
    serial.Stop();
    return 0;
}
