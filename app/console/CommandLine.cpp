#include "app/console/CommandLine.h"

namespace orvane {

bool ParseConsoleOptions(int argc, const char* const* argv, ConsoleOptions& out,
                         std::string* error) {
    out = ConsoleOptions{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--simulate") {
            out.simulate = true;
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
