#include <gtest/gtest.h>

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
