#include "cli/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane::cli {
namespace {

bool Parse(std::vector<std::string> args, Options& out, std::string& error) {
    args.insert(args.begin(), "orvane-flash");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), out, error);
}

TEST(Options, DefaultsAreTheConsoleFieldTexts) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"fw.txt"}, o, error)) << error;
    EXPECT_EQ(o.command, Command::Flash);
    EXPECT_EQ(o.script, "fw.txt");
    EXPECT_FALSE(o.usb);
    EXPECT_FALSE(o.simulate);
    EXPECT_TRUE(o.ports.empty());
    EXPECT_EQ(o.baudText, "19200");
    EXPECT_EQ(o.baud, 19200UL);
    EXPECT_EQ(o.vid, 0x0ACDU);
    EXPECT_EQ(o.pid, 0x3710U);
}

TEST(Options, ReadsNumbersThatPassTheirChecks) {
    struct Case {
        std::vector<std::string> args;
        unsigned long baud;
        uint32_t vid;
        uint32_t pid;
    };
    const Case cases[] = {
        {{"--baud", "115200", "s"}, 115200, 0x0ACD, 0x3710},
        {{"--baud=9600", "s"}, 9600, 0x0ACD, 0x3710},
        {{"--baud", "4294967295", "s"}, 4294967295UL, 0x0ACD, 0x3710},
        {{"--usb", "--vid", "1234", "--pid", "0XbEeF", "s"}, 19200, 0x1234, 0xBEEF},
        {{"--usb", "--vid=0", "--pid=ffff", "s"}, 19200, 0, 0xFFFF},
        {{"--usb", "--vid", "0x00000ACD", "s"}, 19200, 0x0ACD, 0x3710},  // leading zeros
    };
    for (const Case& c : cases) {
        Options o;
        std::string error;
        ASSERT_TRUE(Parse(c.args, o, error)) << c.args[0] << ": " << error;
        EXPECT_EQ(o.baud, c.baud) << c.args[0];
        EXPECT_EQ(o.vid, c.vid) << c.args[0];
        EXPECT_EQ(o.pid, c.pid) << c.args[0];
    }
}

// Every number is checked before the flasher touches a port; the message names the option.
TEST(Options, RefusesNumbersThatAreNotNumbersOrOutOfRange) {
    const std::vector<std::vector<std::string>> cases = {
        {"--baud", "fast"}, {"--baud", "9600bps"},    {"--baud", "0"},     {"--baud", "-1"},
        {"--baud", ""},     {"--baud", "4294967296"}, {"--baud", " 9600"}, {"--vid", "zz"},
        {"--vid", "0x"},    {"--vid", "0x10000"},     {"--vid", "-1"},     {"--pid", "100000ACD"},
        {"--pid=12 34"},    {"--pid", "0x3710h"},
    };
    for (std::vector<std::string> args : cases) {
        const std::string option = args[0].substr(0, args[0].find('='));
        args.emplace_back("s");
        Options o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0] << " " << args[1];
        EXPECT_EQ(error.rfind(option + ": '", 0), 0U) << args[0] << " -> " << error;
    }
}

TEST(Options, TakesQuietVerboseLogAndValuesAfterAnEqualsSign) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"-q", "--port=/dev/ttyS1", "--log=/tmp/run.log", "s"}, o, error)) << error;
    EXPECT_EQ(o.verbosity, Verbosity::Quiet);
    EXPECT_EQ(o.ports, std::vector<std::string>{"/dev/ttyS1"});
    EXPECT_EQ(o.logPath, "/tmp/run.log");

    ASSERT_TRUE(Parse({"--verbose", "--log", "run.log", "--", "--quiet"}, o, error)) << error;
    EXPECT_EQ(o.verbosity, Verbosity::Verbose);
    EXPECT_EQ(o.script, "--quiet") << "after -- an argument is the script";
    ASSERT_TRUE(Parse({"-v", "--decode=fw.txt"}, o, error)) << error;
    EXPECT_EQ(o.command, Command::Decode);
    EXPECT_EQ(o.script, "fw.txt");
    ASSERT_TRUE(Parse({"--simulate", "--sim-fail=3", "s"}, o, error)) << error;
    EXPECT_EQ(o.simConfig.failFrame, 3U);
    EXPECT_FALSE(Parse({"s", "-"}, o, error));
    EXPECT_EQ(error, "unexpected argument -") << "a lone '-' is an argument, not an option";
}

TEST(Options, TakesCommandsPortsAndSimulatorSwitches) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "/dev/ttyB", "--port", "/dev/ttyA", "s"}, o, error)) << error;
    EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyB", "/dev/ttyA"}));

    ASSERT_TRUE(Parse({"--decode", "fw.txt"}, o, error)) << error;
    EXPECT_EQ(o.command, Command::Decode);
    EXPECT_EQ(o.script, "fw.txt");

    ASSERT_TRUE(Parse({"--list", "--usb", "--vid", "1"}, o, error)) << error;
    EXPECT_EQ(o.command, Command::List);
    EXPECT_EQ(o.vid, 1U);

    ASSERT_TRUE(Parse({"--simulate", "--sim-fail", "4", "--sim-version", "V9", "--sim-silent", "--",
                       "-odd-name.txt"},
                      o, error))
        << error;
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.simConfig.failFrame, 4U);
    EXPECT_EQ(o.simConfig.version, "V9");
    EXPECT_TRUE(o.simConfig.silent);
    EXPECT_EQ(o.script, "-odd-name.txt");

    EXPECT_FALSE(Parse({"--bogus", "--help"}, o, error)) << "an error before --help stands";
    ASSERT_TRUE(Parse({"--help", "--bogus"}, o, error));
    EXPECT_EQ(o.command, Command::Help);
    ASSERT_TRUE(Parse({"--version"}, o, error));
    EXPECT_EQ(o.command, Command::Version);
}

TEST(Options, RefusesUsageErrorsWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{}, "no script"},
        {{"--usb"}, "no script"},
        {{"--bogus", "s"}, "unknown option --bogus"},
        {{"-x", "s"}, "unknown option -x"},
        {{"s", "--port"}, "--port needs a value"},
        {{"--decode"}, "--decode needs a value"},
        {{"a", "b"}, "unexpected argument b"},
        {{"--usb", "--port", "/dev/ttyS0", "s"}, "cannot go with --usb"},
        {{"--simulate", "--port", "/dev/ttyS0", "s"}, "cannot go with --simulate"},
        {{"--sim-fail", "3", "s"}, "need --simulate"},
        {{"--simulate", "--sim-fail", "three", "s"}, "not a number"},
        {{"--simulate", "--sim-delay", "-5", "s"}, "not a number"},
        {{"--decode", "a", "--list"}, "cannot go with"},
        {{"--decode", "a", "b"}, "unexpected argument b"},
        {{"s", "--decode", "a"}, "its value only"},
        {{"--list", "s"}, "unexpected argument s"},
        {{"s", "--list"}, "takes no script"},
        {{"--usb=yes", "s"}, "--usb takes no value"},
        {{"--simulate", "--sim-silent=1", "s"}, "--sim-silent takes no value"},
        {{"--log=", "s"}, "--log needs a file name"},
        {{"s", "--log"}, "--log needs a value"},
        {{"--quiet=1", "s"}, "--quiet takes no value"},
    };
    for (const Case& c : cases) {
        Options o;
        std::string error;
        std::string shown;
        for (const std::string& arg : c.args) {
            shown += arg + " ";
        }
        EXPECT_FALSE(Parse(c.args, o, error)) << shown;
        EXPECT_NE(error.find(c.reason), std::string::npos) << shown << "-> " << error;
    }
}

}  // namespace
}  // namespace orvane::cli
