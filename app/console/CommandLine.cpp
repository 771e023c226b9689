#include "app/console/CommandLine.h"

namespace orvane {

const char* const kConsoleUsage =
    "usage: orvane-updater [--port DEVICE]... [--simulate]\n"
    "       orvane-updater --help | --version\n"
    "  --port DEVICE  the RS232 search tries DEVICE (repeatable, in order) instead of the\n"
    "                 system's serial ports\n"
    "  --simulate     both links talk to a simulated device built into the program\n"
    "  --help         print this text and exit\n"
    "  --version      print the program's version and exit\n";

bool ParseConsoleOptions(int argc, const char* const* argv, ConsoleOptions& out,
                         std::string* error) {
    out = ConsoleOptions{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--simulate") {
            out.simulate = true;
        } else if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--version") {
            out.version = true;
        } else if (arg == "--port") {
            if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
                if (error != nullptr) {
                    *error = "--port needs a device";
                }
                return false;
            }
            out.ports.emplace_back(argv[++i]);
        } else if (arg.rfind("--port=", 0) == 0 && arg.size() > 7) {
            out.ports.push_back(arg.substr(7));
        } else {
            if (error != nullptr) {
                *error = "unknown option: " + arg;
            }
            return false;
        }
    }
    return true;
}

}  // namespace orvane
