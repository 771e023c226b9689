#include "cli/Options.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "link/NumberText.h"
#include "sim/DeviceOptions.h"

namespace orvane::cli {

namespace {

// The value of option argv[i], or null (with `error` set) when it is missing.
const char* ValueOf(int argc, char** argv, int i, std::string& error) {
    if (i + 1 >= argc) {
        error = std::string(argv[i]) + " needs a value";
        return nullptr;
    }
    return argv[i + 1];
}

bool Check(const Options& o, bool simSwitches, std::string& error) {
    if (simSwitches && !o.simulate) {
        error = "--sim-* switches need --simulate";
    } else if (o.usb && !o.ports.empty()) {
        error = "--port is for RS232 and cannot go with --usb";
    } else if (o.simulate && !o.ports.empty()) {
        error = "--port cannot go with --simulate, which brings its own port";
    } else if (o.command == Command::Flash && o.script.empty()) {
        error = "no script given";
    } else {
        return true;
    }
    return false;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& out, std::string& error) {
    Options o;
    bool simSwitches = false;
    bool optionsEnded = false;
    bool haveCommand = false;
    auto setCommand = [&](Command command, const char* name) {
        if (haveCommand) {
            error = std::string(name) + " cannot go with another of --decode and --list";
            return false;
        }
        haveCommand = true;
        o.command = command;
        return true;
    };

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            if (!o.script.empty() || (o.command != Command::Flash)) {
                error = std::string("unexpected argument ") + arg;
                return false;
            }
            o.script = arg;
            continue;
        }
        const std::string name = arg;
        if (name == "--help" || name == "-h") {
            out = Options{};
            out.command = Command::Help;
            return true;
        }
        if (name == "--version") {
            out = Options{};
            out.command = Command::Version;
            return true;
        }
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--usb") {
            o.usb = true;
        } else if (name == "--simulate") {
            o.simulate = true;
        } else if (name == "--list") {
            if (!setCommand(Command::List, arg) || !o.script.empty()) {
                if (error.empty()) {
                    error = "--list takes no script";
                }
                return false;
            }
        } else if (name == "--port" || name == "--baud" || name == "--vid" || name == "--pid" ||
                   name == "--decode") {
            const char* value = ValueOf(argc, argv, i, error);
            if (value == nullptr) {
                return false;
            }
            ++i;
            if (name == "--port") {
                o.ports.emplace_back(value);
            } else if (name == "--baud") {
                o.baudText = value;
            } else if (name == "--vid") {
                o.vidText = value;
            } else if (name == "--pid") {
                o.pidText = value;
            } else {
                if (!setCommand(Command::Decode, arg)) {
                    return false;
                }
                if (!o.script.empty()) {
                    error = "--decode takes its script as its value only";
                    return false;
                }
                o.script = value;
            }
        } else if (const int stationTaken =
                       station::TakeStationOption(argc, argv, i, o.station, error);
                   stationTaken != 0) {
            if (stationTaken < 0) {
                return false;
            }
            i += stationTaken - 1;
        } else {
            const int taken = sim::TakeSimOption(argc, argv, i, o.simSetup, error);
            if (taken < 0) {
                return false;
            }
            if (taken == 0) {
                error = "unknown option " + name;
                return false;
            }
            simSwitches = true;
            i += taken - 1;
        }
    }
    if (!Check(o, simSwitches, error) || !sim::CheckSimSetup(o.simSetup, error) ||
        !station::CheckStationOptions(o.station, o.usb, error)) {
        return false;
    }
    o.simConfig = o.simSetup.ConfigFor(1);
    // As the console reads its fields: no digits read as 0, a 0x prefix is welcome in hex.
    o.baud = StrToUl32(o.baudText.c_str(), 10);
    o.vid = StrToUl32(o.vidText.c_str(), 16);
    o.pid = StrToUl32(o.pidText.c_str(), 16);
    out = std::move(o);
    return true;
}

std::string HelpText() {
    std::string text =
        "Usage: orvane-flash [OPTIONS] SCRIPT\n"
        "       orvane-flash --decode SCRIPT\n"
        "       orvane-flash --list [--usb] [--vid HEX] [--pid HEX] [--port DEVICE]...\n"
        "\n"
        "Plays a firmware script to an Orvane device, as the console's Load does, and prints\n"
        "the log lines on stdout.\n"
        "\n"
        "  --port DEVICE   serial port to try (repeatable, in order; default: every port\n"
        "                  present)\n"
        "  --baud N        baud rate (default 19200)\n"
        "  --usb           use the USB link instead of RS232\n"
        "  --vid HEX       USB vendor id (default 0x0ACD)\n"
        "  --pid HEX       USB product id (default 0x3710)\n"
        "  --simulate      talk to the built-in simulated device\n"
        "  --decode SCRIPT print the frames the script would send, one line each; send nothing\n"
        "  --list          list the serial ports and HID devices and whether they can be opened\n"
        "  --help          this text\n"
        "  --version       the program's version\n"
        "\n"
        "Station:\n";
    text += station::StationOptionsHelp();
    text += "\nWith --simulate:\n";
    text += sim::DeviceOptionsHelp();
    text +=
        "\n"
        "Exit status: 0 downloaded, 1 send command failed, 2 no device answered, 3 script not\n"
        "readable or refused, 64 usage error, 130 interrupted. With --all or --watch: 0 every\n"
        "device that answered downloaded, 1 any failed, 2 none answered.\n";
    return text;
}

}  // namespace orvane::cli
