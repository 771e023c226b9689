#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "app/console/CommandLine.h"

namespace {

using orvane::ConsoleOptions;
using orvane::ParseConsoleOptions;

TEST(ConsoleOptions, PortsKeepTheirOrderAndSimulateIsAFlag) {
    const char* argv[] = {"orvane-updater",      "--port", "/dev/ttyUSB1", "--simulate",
                          "--port=/dev/ttyACM0", "--port", "COM3"};
    ConsoleOptions options;
    std::string error;
    ASSERT_TRUE(ParseConsoleOptions(7, argv, options, &error)) << error;
    EXPECT_EQ(options.ports, (std::vector<std::string>{"/dev/ttyUSB1", "/dev/ttyACM0", "COM3"}));
    EXPECT_TRUE(options.simulate);

    const char* none[] = {"orvane-updater"};
    ASSERT_TRUE(ParseConsoleOptions(1, none, options, &error));
    EXPECT_TRUE(options.ports.empty());
    EXPECT_FALSE(options.simulate);
}

TEST(ConsoleOptions, RejectsUnknownOptionsAndAPortWithoutDevice) {
    struct Case {
        std::vector<const char*> args;
        const char* error;
    };
    const Case cases[] = {
        {{"x", "--port"}, "--port needs a device"},
        {{"x", "--port", ""}, "--port needs a device"},
        {{"x", "--simulate", "--verbose"}, "unknown option: --verbose"},
        {{"x", "COM1"}, "unknown option: COM1"},
    };
    for (const Case& c : cases) {
        ConsoleOptions options;
        std::string error;
        EXPECT_FALSE(
            ParseConsoleOptions(static_cast<int>(c.args.size()), c.args.data(), options, &error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace

namespace {

TEST(ConsoleOptions, HelpAndVersionAreFlags) {
    const char* argv[] = {"orvane-updater", "--help", "--version"};
    ConsoleOptions options;
    std::string error;
    ASSERT_TRUE(ParseConsoleOptions(3, argv, options, &error)) << error;
    EXPECT_TRUE(options.help);
    EXPECT_TRUE(options.version);
    const char* none[] = {"orvane-updater", "--simulate"};
    ASSERT_TRUE(ParseConsoleOptions(2, none, options, &error));
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
}

// Runs the program with `args` and the environment cleared of every display; returns its exit
// status and puts what it printed (stdout and stderr) into *out.
int RunUpdater(const std::string& args, std::string* out) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(ORVANE_UPDATER_PATH) + "' " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[512];
    out->clear();
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
        *out += buffer;
    }
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UpdaterProgram, AnswersHelpAndVersionAndSaysSoWithoutADisplay) {
    std::string out;
    EXPECT_EQ(RunUpdater("--version", &out), 0);
    EXPECT_EQ(out, "orvane-updater " ORVANE_VERSION "\n");
    EXPECT_EQ(RunUpdater("--help", &out), 0);
    EXPECT_EQ(out.rfind("usage: orvane-updater [--port DEVICE]... [--simulate]\n", 0), 0U) << out;
    EXPECT_EQ(RunUpdater("", &out), 1);
    EXPECT_EQ(out,
              "orvane-updater: no display to show the window on (DISPLAY and WAYLAND_DISPLAY "
              "are not set)\n");
}

}  // namespace
