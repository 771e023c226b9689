// orvane-sim: serves the simulated device until Ctrl-C, on a pseudo-terminal of its own or on one
// of the real-driver faces.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "sim/DeviceOptions.h"
#include "sim/OrvaneDevice.h"
#include "sim/SimSerialDevice.h"
#if defined(__linux__)
#include "sim/SimHidgDevice.h"
#include "sim/SimTtyDevice.h"
#include "sim/SimUhidDevice.h"
#endif

namespace {

void PrintHelp() {
    std::printf(
        "Usage: orvane-sim [FACE] [OPTIONS]\n"
        "Serves a simulated Orvane device, prints where and runs until interrupted. Each request\n"
        "is logged on stderr.\n\n"
        "Faces (default: a pseudo-terminal of its own, whose path is printed):\n"
        "  --attach TTY           RS232 on an existing terminal (a host pseudo-terminal wired\n"
        "                         to a virtual machine's UART, a gadget's /dev/ttyGS0, a port)\n"
        "  --uhid                 USB HID through /dev/uhid; restarts remove the device\n"
        "  --hidg NODE            USB HID as the f_hid gadget function NODE (/dev/hidg0)\n"
        "  --udc FILE             the gadget's UDC file: --hidg restarts unbind and rebind the\n"
        "                         gadget, a hang-up (--sim-hang-up) unbinds it for good\n"
        "  --print-report-descriptor  write the HID report descriptor (for an f_hid gadget)\n"
        "\n%s"
        "  --help                 this text\n",
        orvane::sim::DeviceOptionsHelp());
}

// One write per line: the faces log their events on stderr from their own threads.
void LogFrame(const orvane::sim::ReceivedFrame& frame) {
    char head[64];
    std::snprintf(head, sizeof head, "%8u ms  %3zu bytes%s ", frame.atMs, frame.bytes.size(),
                  frame.answered ? "" : " (no answer)");
    std::string line = head;
    for (uint8_t b : frame.bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

enum class Face { Pty, Attach, Uhid, Hidg };

struct Args {
    Face face = Face::Pty;
    std::string target;  // --attach TTY, --hidg NODE
    std::string udcFile;
    orvane::sim::DeviceConfig config;
};

// 0 to go on, otherwise the exit status.
int ParseArgs(int argc, char** argv, Args& args) {
    for (int i = 1; i < argc;) {
        const std::string name = argv[i];
        if (name == "--help") {
            PrintHelp();
            return -1;
        }
#if defined(__linux__)
        if (name == "--print-report-descriptor") {
            std::size_t size = 0;
            const uint8_t* descriptor = orvane::sim::SimUhidDevice::ReportDescriptor(&size);
            std::fwrite(descriptor, 1, size, stdout);
            return -1;
        }
#endif
        if (name == "--uhid") {
            args.face = Face::Uhid;
            ++i;
            continue;
        }
        if (name == "--attach" || name == "--hidg" || name == "--udc") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "orvane-sim: %s needs a value\n", name.c_str());
                return 64;
            }
            if (name == "--udc") {
                args.udcFile = argv[i + 1];
            } else {
                args.face = name == "--attach" ? Face::Attach : Face::Hidg;
                args.target = argv[i + 1];
            }
            i += 2;
            continue;
        }
        std::string error;
        const int taken = orvane::sim::TakeDeviceOption(argc, argv, i, args.config, error);
        if (taken <= 0) {
            std::fprintf(stderr, "orvane-sim: %s\n",
                         taken < 0 ? error.c_str() : ("unknown option " + name).c_str());
            return 64;
        }
        i += taken;
    }
    return 0;
}

// A running face; Stop on destruction.
struct FaceHandle {
    virtual ~FaceHandle() = default;
};

template <typename T>
struct FaceOf final : FaceHandle {
    template <typename... A>
    explicit FaceOf(A&&... a) : face(std::forward<A>(a)...) {}
    T face;
};

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (const int status = ParseArgs(argc, argv, args); status != 0) {
        return status < 0 ? 0 : status;
    }
#if !defined(__linux__)
    if (args.face != Face::Pty) {
        std::fprintf(stderr, "orvane-sim: this face needs Linux\n");
        return 64;
    }
#endif

    // Signals are taken synchronously below, so block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    orvane::sim::OrvaneDevice device(args.config);
    std::unique_ptr<FaceHandle> face;
    std::string where;
    std::string error;
    bool started = false;
    switch (args.face) {
        case Face::Pty: {
            auto pty = std::make_unique<FaceOf<orvane::sim::SimSerialDevice>>(device);
            started = pty->face.Start(&error);
            where = pty->face.SlavePath();
            face = std::move(pty);
            break;
        }
#if defined(__linux__)
        case Face::Attach: {
            auto tty = std::make_unique<FaceOf<orvane::sim::SimTtyDevice>>(device, args.target,
                                                                           args.udcFile, stderr);
            started = tty->face.Start(&error);
            face = std::move(tty);
            where = args.target;
            break;
        }
        case Face::Uhid: {
            auto uhid = std::make_unique<FaceOf<orvane::sim::SimUhidDevice>>(device, stderr);
            started = uhid->face.Start(&error);
            face = std::move(uhid);
            where = "/dev/uhid";
            break;
        }
        case Face::Hidg: {
            auto hidg = std::make_unique<FaceOf<orvane::sim::SimHidgDevice>>(device, args.target,
                                                                             args.udcFile, stderr);
            started = hidg->face.Start(&error);
            face = std::move(hidg);
            where = args.target;
            break;
        }
#else
        default:
            break;
#endif
    }
    if (!started) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", where.c_str());
    std::fflush(stdout);

    std::size_t logged = 0;
    const timespec slice{0, 20L * 1000 * 1000};
    auto logNew = [&] {
        const auto received = device.Received();
        for (; logged < received.size(); ++logged) {
            LogFrame(received[logged]);
        }
    };
    while (sigtimedwait(&signals, nullptr, &slice) < 0) {
        logNew();
    }
    face.reset();
    logNew();
    return 0;
}
