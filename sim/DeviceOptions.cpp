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

namespace {

// Splits "VALUE@K" into VALUE and K; false when there is an '@' but no device number after it.
bool SplitDevice(const std::string& text, std::string& head, uint32_t& device) {
    const std::size_t at = text.rfind('@');
    device = 0;
    head = text;
    if (at == std::string::npos) {
        return true;
    }
    head = text.substr(0, at);
    return ParseNumber(text.c_str() + at + 1, device) && device > 0;
}

// Applies one switch to `config` through TakeDeviceOption; false with its reason when refused.
bool Apply(const SimSetup::Switch& s, DeviceConfig& config, std::string& error) {
    std::string name = s.name;
    std::string value = s.value;
    char* argv[] = {name.data(), value.data()};
    return TakeDeviceOption(s.value.empty() && name == "--sim-silent" ? 1 : 2, argv, 0, config,
                            error) > 0;
}

}  // namespace

DeviceConfig SimSetup::ConfigFor(uint32_t device) const {
    DeviceConfig config;
    std::string ignored;
    for (const Switch& s : switches) {
        if (s.device == 0 || s.device == device) {
            Apply(s, config, ignored);
        }
    }
    return config;
}

std::vector<std::string> SimSetup::Args() const {
    std::vector<std::string> args = {"--sim-devices", std::to_string(devices)};
    for (const Switch& s : switches) {
        const std::string at = s.device == 0 ? "" : "@" + std::to_string(s.device);
        if (s.name == "--sim-silent") {
            args.push_back(s.name + at);
        } else {
            args.push_back(s.name);
            args.push_back(s.value + at);
        }
    }
    return args;
}

int TakeSimOption(int argc, char** argv, int i, SimSetup& setup, std::string& error) {
    const std::string arg = argv[i];
    if (arg == "--sim-devices") {
        uint32_t count = 0;
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return -1;
        }
        if (!ParseNumber(argv[i + 1], count) || count == 0 || count > SimSetup::kMaxDevices) {
            error = arg + ": not a number from 1 to " + std::to_string(SimSetup::kMaxDevices) +
                    ": " + argv[i + 1];
            return -1;
        }
        setup.devices = count;
        return 2;
    }
    SimSetup::Switch s;
    std::string name;
    const bool split = SplitDevice(arg, name, s.device);
    if (arg.rfind("--sim-silent@", 0) == 0 && !split) {
        error = "not a device number after '@': " + arg;
        return -1;
    }
    if (split && name == "--sim-silent") {
        s.name = name;
        setup.switches.push_back(s);
        return 1;
    }
    if (s.device != 0) {
        return 0;  // only --sim-silent takes its device after the name
    }
    DeviceConfig scratch;
    std::string probeError;
    char* alone[] = {argv[i]};
    if (TakeDeviceOption(1, alone, 0, scratch, probeError) == 0) {
        return 0;  // not a device switch
    }
    if (i + 1 >= argc) {
        error = arg + " needs a value";
        return -1;
    }
    s.name = arg;
    if (!SplitDevice(argv[i + 1], s.value, s.device)) {
        error = arg + ": not a device number after '@': " + argv[i + 1];
        return -1;
    }
    // The value without its device must be one the switch takes.
    if (!Apply(s, scratch, error)) {
        return -1;
    }
    setup.switches.push_back(s);
    return 2;
}

bool CheckSimSetup(const SimSetup& setup, std::string& error) {
    for (const SimSetup::Switch& s : setup.switches) {
        if (s.device > setup.devices) {
            error = s.name + ": no device " + std::to_string(s.device) + " of " +
                    std::to_string(setup.devices) + " simulated";
            return false;
        }
    }
    return true;
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
           "  --sim-seed N           seed of the random garbage\n"
           "  --sim-devices N        simulate N devices (1 to 64): N pseudo-terminals, or N USB\n"
           "                         devices with the same ids; add @K to a switch's value\n"
           "                         (--sim-silent@K) to set it for device K alone\n";
}

}  // namespace orvane::sim
