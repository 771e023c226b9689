// vm_tool: the helpers of the real-driver scenarios.
//   vm_tool scripts DIR                        write the scenario scripts and expectations
//   vm_tool check EXPECT SIMLOG [FRAMES]       compare what the device received (0 = match)
//   vm_tool line-settings TTY                  hostile settings, CSerialLink::Open, read back
//   vm_tool baud TTY RATE                      CSerialLink::Open at RATE, read the rate back
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/vm/LineSettings.h"
#include "tests/vm/ReceivedCheck.h"
#include "tests/vm/VmScripts.h"

namespace {

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return static_cast<bool>(in);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vm_tool scripts DIR | check EXPECT SIMLOG [FRAMES] | "
                 "line-settings TTY | baud TTY RATE\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "scripts") {
        return orvane::vm::WriteScripts(argv[2]) ? 0 : 1;
    }
    if (command == "check" && (argc == 4 || argc == 5)) {
        std::string expect;
        std::string log;
        if (!ReadFile(argv[2], expect) || !ReadFile(argv[3], log)) {
            std::fprintf(stderr, "vm_tool: cannot read %s or %s\n", argv[2], argv[3]);
            return 2;
        }
        const int frames = argc == 5 ? std::atoi(argv[4]) : -1;
        const auto received = orvane::vm::ParseReceived(log);
        const std::string diff =
            orvane::vm::CompareReceived(orvane::vm::ParseExpectation(expect), received, frames);
        if (!diff.empty()) {
            std::printf("device received %zu requests; %s\n", received.size(), diff.c_str());
            return 1;
        }
        std::printf("device received the %zu expected requests\n", received.size());
        return 0;
    }
    if (command == "line-settings") {
        return orvane::vm::CheckLineSettings(argv[2], stdout);
    }
    if (command == "baud" && argc == 4) {
        return orvane::vm::CheckBaud(argv[2], std::strtoul(argv[3], nullptr, 10), stdout);
    }
    return Usage();
}
