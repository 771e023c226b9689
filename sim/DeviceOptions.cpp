#include "sim/DeviceOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orvane::sim {

namespace {

bool ParseNumber(const char* text, uint32_t& out) {
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFUL) {
        return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int TakeDeviceOption(int argc, char** argv, int i, DeviceConfig& config, std::string& error) {
    const char* name = argv[i];
    if (std::strcmp(name, "--sim-silent") == 0) {
        config.silent = true;
        return 1;
    }
    struct NumberOption {
        const char* name;
        uint32_t DeviceConfig::*field;
    };
    static const NumberOption kNumbers[] = {
        {"--sim-delay", &DeviceConfig::replyDelayMs},
        {"--sim-restart", &DeviceConfig::restartMs},
        {"--sim-fail", &DeviceConfig::failFrame},
        {"--sim-silent-frame", &DeviceConfig::silentFrame},
        {"--sim-garbage", &DeviceConfig::garbageFrame},
        {"--sim-bad-crc", &DeviceConfig::badCrcFrame},
        {"--sim-hang-up", &DeviceConfig::hangUpFrame},
        {"--sim-seed", &DeviceConfig::seed},
    };
    const bool isVersion = std::strcmp(name, "--sim-version") == 0;
    const NumberOption* number = nullptr;
    for (const NumberOption& option : kNumbers) {
        if (std::strcmp(name, option.name) == 0) {
            number = &option;
        }
    }
    if (!isVersion && number == nullptr) {
        return 0;
    }
    if (i + 1 >= argc) {
        error = std::string(name) + " needs a value";
        return -1;
    }
    const char* value = argv[i + 1];
    if (isVersion) {
        config.version = value;
        return 2;
    }
    if (!ParseNumber(value, config.*(number->field))) {
        error = std::string(name) + ": not a number: " + value;
        return -1;
    }
    return 2;
}

const char* DeviceOptionsHelp() {
    return "  --sim-version TEXT     version text the bootloader reports (default SIM-2)\n"
           "  --sim-delay MS         answer every request MS milliseconds late\n"
           "  --sim-restart MS       time off the bus per restart (default 100)\n"
           "  --sim-silent           never answer\n"
           "  --sim-fail N           answer script frame N with status 1\n"
           "  --sim-silent-frame N   leave script frame N unanswered\n"
           "  --sim-garbage N        answer script frame N with random bytes\n"
           "  --sim-bad-crc N        answer script frame N with a wrong CRC\n"
           "  --sim-hang-up N        hang up for good on script frame N\n"
           "  --sim-seed N           seed of the random garbage\n";
}

}  // namespace orvane::sim
