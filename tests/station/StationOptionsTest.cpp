// The station's switches and the per-device simulator switches on orvane-flash's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Options.h"

namespace {

using orvane::cli::Options;
using orvane::cli::ParseOptions;

bool Parse(std::vector<std::string> args, Options& options, std::string& error) {
    args.insert(args.begin(), "orvane-flash");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(StationOptionsTest, TakesTheStationSwitches) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--watch", "--count", "5", "--json", "--record", "/tmp", "s.txt"}, o, error))
        << error;
    EXPECT_TRUE(o.station.watch);
    EXPECT_FALSE(o.station.all);
    EXPECT_EQ(o.station.count, 5U);
    EXPECT_TRUE(o.station.json);
    EXPECT_EQ(o.station.recordDir, "/tmp");
    EXPECT_TRUE(o.station.Supervises());

    ASSERT_TRUE(Parse(
        {"--usb", "--station-child", "--pin-port", "1-1.4", "--pin-serial", "A1", "--all", "s.txt"},
        o, error))
        << error;
    EXPECT_TRUE(o.station.child);
    EXPECT_TRUE(o.station.json) << "a child speaks JSON to its station";
    EXPECT_FALSE(o.station.Supervises()) << "a child runs its one device";
    EXPECT_EQ(o.station.pin.portPath, "1-1.4");
    EXPECT_EQ(o.station.pin.serialNumber, "A1");
}

TEST(StationOptionsTest, RefusesWhatMakesNoSense) {
    const std::vector<std::vector<std::string>> bad = {
        {"--all", "--watch", "s.txt"},
        {"--count", "3", "s.txt"},
        {"--watch", "--count", "0", "s.txt"},
        {"--watch", "--count", "x", "s.txt"},
        {"--watch", "--count"},
        {"--record", "", "s.txt"},
        {"--pin-port", "1-1", "s.txt"},  // RS232 has no USB port
        {"--simulate", "--sim-devices", "0", "s.txt"},
        {"--simulate", "--sim-devices", "65", "s.txt"},
        {"--simulate", "--sim-devices", "2", "--sim-fail", "3@3", "s.txt"},
        {"--simulate", "--sim-fail", "3@0", "s.txt"},
        {"--simulate", "--sim-fail", "3@x", "s.txt"},
        {"--simulate", "--sim-fail", "x@1", "s.txt"},
        {"--simulate", "--sim-silent@", "s.txt"},
        {"--sim-devices", "2", "s.txt"},  // needs --simulate
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(error.empty());
    }
}

TEST(StationOptionsTest, SimulatorSwitchesTakeAnOptionalDevice) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--simulate", "--sim-devices", "3", "--sim-fail", "4", "--sim-fail", "2@2",
                       "--sim-silent@3", "--sim-version", "V7@1", "--sim-delay", "5", "s.txt"},
                      o, error))
        << error;
    EXPECT_EQ(o.simSetup.devices, 3U);
    const auto first = o.simSetup.ConfigFor(1);
    const auto second = o.simSetup.ConfigFor(2);
    const auto third = o.simSetup.ConfigFor(3);
    EXPECT_EQ(first.failFrame, 4U);
    EXPECT_EQ(second.failFrame, 2U) << "a later switch for one device wins";
    EXPECT_EQ(third.failFrame, 4U);
    EXPECT_FALSE(first.silent);
    EXPECT_TRUE(third.silent);
    EXPECT_EQ(first.version, "V7");
    EXPECT_EQ(second.version, orvane::sim::DeviceConfig{}.version);
    EXPECT_EQ(second.replyDelayMs, 5U);
    EXPECT_EQ(o.simConfig.version, "V7") << "the one-device configuration is the first device's";

    // The switches given again (to a station's child) make the same devices.
    std::vector<std::string> again = o.simSetup.Args();
    again.insert(again.begin(), "--simulate");
    again.push_back("s.txt");
    Options copy;
    ASSERT_TRUE(Parse(again, copy, error)) << error;
    for (uint32_t device = 1; device <= 3; ++device) {
        EXPECT_EQ(copy.simSetup.ConfigFor(device).failFrame,
                  o.simSetup.ConfigFor(device).failFrame);
        EXPECT_EQ(copy.simSetup.ConfigFor(device).silent, o.simSetup.ConfigFor(device).silent);
        EXPECT_EQ(copy.simSetup.ConfigFor(device).version, o.simSetup.ConfigFor(device).version);
    }
}

}  // namespace
