#include "cli/Options.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "sim/DeviceOptions.h"

namespace orvane::cli {

namespace {

enum class Takes { Nothing, Value };

struct OptionSpec {
    const char* name;
    const char* shortName;  // may be null
    Takes takes;
};

constexpr std::array<OptionSpec, 13> kOptions = {{
    {"--help", "-h", Takes::Nothing},
    {"--version", nullptr, Takes::Nothing},
    {"--usb", nullptr, Takes::Nothing},
    {"--simulate", nullptr, Takes::Nothing},
    {"--list", nullptr, Takes::Nothing},
    {"--quiet", "-q", Takes::Nothing},
    {"--verbose", "-v", Takes::Nothing},
    {"--port", nullptr, Takes::Value},
    {"--baud", nullptr, Takes::Value},
    {"--vid", nullptr, Takes::Value},
    {"--pid", nullptr, Takes::Value},
    {"--decode", nullptr, Takes::Value},
    {"--log", nullptr, Takes::Value},
}};

const OptionSpec* FindOption(std::string_view name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.name || (spec.shortName != nullptr && name == spec.shortName)) {
            return &spec;
        }
    }
    return nullptr;
}

// Decimal digits only, 1 to 4294967295.
bool ReadBaud(const std::string& text, unsigned long& baud) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value == 0 || value > 0xFFFFFFFFULL) {
        return false;
    }
    baud = static_cast<unsigned long>(value);
    return true;
}

// Hexadecimal digits, an optional 0x or 0X before them, at most 0xFFFF.
bool ReadUsbId(const std::string& text, uint32_t& id) {
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        return false;
    }
    uint32_t value = 0;
    for (const char c : digits) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        value = value * 16 + digit;
        if (value > 0xFFFF) {
            return false;
        }
    }
    id = value;
    return true;
}

bool CheckNumbers(Options& o, std::string& error) {
    if (!ReadBaud(o.baudText, o.baud)) {
        error = "--baud: '" + o.baudText + "' is not a baud rate (a decimal number above 0)";
    } else if (!ReadUsbId(o.vidText, o.vid)) {
        error = "--vid: '" + o.vidText + "' is not a USB id (hexadecimal, 0 to 0xFFFF)";
    } else if (!ReadUsbId(o.pidText, o.pid)) {
        error = "--pid: '" + o.pidText + "' is not a USB id (hexadecimal, 0 to 0xFFFF)";
    } else {
        return true;
    }
    return false;
}

bool CheckCombination(const Options& o, bool simSwitches, std::string& error) {
    if (simSwitches && !o.simulate) {
        error = "--sim-* switches need --simulate";
    } else if (o.usb && !o.ports.empty()) {
        error = "--port is for RS232 and cannot go with --usb";
    } else if (o.simulate && !o.ports.empty()) {
        error = "--port cannot go with --simulate, which brings its own port";
    } else if (o.command == Command::Flash && o.script.empty()) {
        error = "no script given";
    } else if (o.command == Command::Decode && o.script.empty()) {
        error = "--decode needs a value";
    } else {
        return true;
    }
    return false;
}

// Walks the arguments and fills an Options; the checks come after.
class Parser {
public:
    Parser(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

    bool Run(std::string& error) {
        for (m_index = 1; m_index < m_argc; ++m_index) {
            const std::string arg = m_argv[m_index];
            const bool option = !m_optionsEnded && arg.size() > 1 && arg[0] == '-';
            const bool done = option ? TakeOption(arg, error) : TakePositional(arg, error);
            if (!done) {
                return false;
            }
            if (m_finished) {
                return true;
            }
        }
        return true;
    }

    Options options;
    bool simSwitches = false;

private:
    bool TakePositional(const std::string& arg, std::string& error) {
        if (!options.script.empty() || options.command != Command::Flash) {
            error = "unexpected argument " + arg;
            return false;
        }
        options.script = arg;
        return true;
    }

    bool TakeOption(const std::string& arg, std::string& error) {
        if (arg == "--") {
            m_optionsEnded = true;
            return true;
        }
        // --name=value: only long options take their value this way.
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            inlineValue = true;
        }
        const OptionSpec* spec = FindOption(name);
        if (spec == nullptr) {
            return TakeSimOption(name, value, inlineValue, error);
        }
        if (spec->takes == Takes::Nothing) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            return ApplyFlag(spec->name, error);
        }
        if (!inlineValue) {
            if (m_index + 1 >= m_argc) {
                error = name + " needs a value";
                return false;
            }
            value = m_argv[++m_index];
        }
        return ApplyValue(spec->name, value, error);
    }

    bool TakeSimOption(const std::string& name, const std::string& value, bool inlineValue,
                       std::string& error) {
        int taken = 0;
        if (inlineValue) {
            std::string pieces[2] = {name, value};
            char* argv[2] = {pieces[0].data(), pieces[1].data()};
            taken = sim::TakeDeviceOption(2, argv, 0, options.simConfig, error);
            if (taken == 1) {
                error = name + " takes no value";
                return false;
            }
        } else {
            taken = sim::TakeDeviceOption(m_argc, m_argv, m_index, options.simConfig, error);
            m_index += taken > 0 ? taken - 1 : 0;
        }
        if (taken < 0) {
            return false;
        }
        if (taken == 0) {
            error = "unknown option " + name;
            return false;
        }
        simSwitches = true;
        return true;
    }

    bool ApplyFlag(std::string_view name, std::string& error) {
        if (name == "--help" || name == "--version") {
            options = Options{};
            options.command = name == "--help" ? Command::Help : Command::Version;
            m_finished = true;
        } else if (name == "--usb") {
            options.usb = true;
        } else if (name == "--simulate") {
            options.simulate = true;
        } else if (name == "--quiet") {
            options.verbosity = Verbosity::Quiet;
        } else if (name == "--verbose") {
            options.verbosity = Verbosity::Verbose;
        } else if (name == "--list") {
            if (!SetCommand(Command::List, "--list", error)) {
                return false;
            }
            if (!options.script.empty()) {
                error = "--list takes no script";
                return false;
            }
        }
        return true;
    }

    bool ApplyValue(std::string_view name, const std::string& value, std::string& error) {
        if (name == "--port") {
            options.ports.push_back(value);
        } else if (name == "--baud") {
            options.baudText = value;
        } else if (name == "--vid") {
            options.vidText = value;
        } else if (name == "--pid") {
            options.pidText = value;
        } else if (name == "--log") {
            if (value.empty()) {
                error = "--log needs a file name";
                return false;
            }
            options.logPath = value;
        } else if (name == "--decode") {
            if (!SetCommand(Command::Decode, "--decode", error)) {
                return false;
            }
            if (!options.script.empty()) {
                error = "--decode takes its script as its value only";
                return false;
            }
            options.script = value;
        }
        return true;
    }

    bool SetCommand(Command command, const char* name, std::string& error) {
        if (m_haveCommand) {
            error = std::string(name) + " cannot go with another of --decode and --list";
            return false;
        }
        m_haveCommand = true;
        options.command = command;
        return true;
    }

    int m_argc;
    char** m_argv;
    int m_index = 1;
    bool m_optionsEnded = false;
    bool m_haveCommand = false;
    bool m_finished = false;  // --help or --version: the rest is not looked at
};

}  // namespace

bool ParseOptions(int argc, char** argv, Options& out, std::string& error) {
    Parser parser(argc, argv);
    if (!parser.Run(error)) {
        return false;
    }
    Options& o = parser.options;
    if (o.command == Command::Help || o.command == Command::Version) {
        out = std::move(o);
        return true;
    }
    if (!CheckCombination(o, parser.simSwitches, error) || !CheckNumbers(o, error)) {
        return false;
    }
    out = std::move(o);
    return true;
}

std::string HelpText() {
    std::string text =
        "Usage: orvane-flash [OPTIONS] SCRIPT\n"
        "       orvane-flash --decode SCRIPT [--usb]\n"
        "       orvane-flash --list [--usb] [--vid HEX] [--pid HEX] [--port DEVICE]...\n"
        "\n"
        "Plays a firmware script to an Orvane device, as the console's Load does, and prints\n"
        "the log lines on stdout; why something failed, and the progress, go to stderr.\n"
        "\n"
        "  --port DEVICE   serial port to try (repeatable, in order; default: every port\n"
        "                  present)\n"
        "  --baud N        baud rate, a decimal number above 0 (default 19200)\n"
        "  --usb           use the USB link instead of RS232\n"
        "  --vid HEX       USB vendor id, up to 0xFFFF (default 0x0ACD)\n"
        "  --pid HEX       USB product id, up to 0xFFFF (default 0x3710)\n"
        "  --simulate      talk to the built-in simulated device\n"
        "  --decode SCRIPT print the frames the script would send, one line each, on stdout,\n"
        "                  and a summary with warnings on stderr; send nothing (with --usb the\n"
        "                  frames are checked as HID reports)\n"
        "  --list          list the serial ports and HID devices and whether they can be opened\n"
        "  -q, --quiet     print the log lines only\n"
        "  -v, --verbose   also print each port tried and each exchange with its timings\n"
        "  --log FILE      append the log lines, with timestamps, to FILE\n"
        "  -h, --help      this text\n"
        "  --version       the program's version\n"
        "\n"
        "An option's value may follow it as the next argument or after '=' (--baud=9600);\n"
        "'--' ends the options.\n"
        "\n"
        "With --simulate:\n";
    text += sim::DeviceOptionsHelp();
    text +=
        "\n"
        "Exit status: 0 downloaded, 1 send command failed, 2 no device answered, 3 script not\n"
        "readable or refused, 64 usage error, 130 interrupted (Ctrl-C), 143 terminated\n"
        "(SIGTERM).\n";
    return text;
}

}  // namespace orvane::cli
