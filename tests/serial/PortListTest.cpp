#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/PortList.h"

namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty under a temporary directory.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ttyclass-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // An entry; with `device` it gets a (dangling, as in a copied tree) device link.
    void Tty(const std::string& name, bool device, const char* type = nullptr) {
        fs::create_directories(root / name);
        if (device) {
            fs::create_directory_symlink("../../../devices/platform/" + name,
                                         root / name / "device");
        }
        if (type != nullptr) {
            std::ofstream(root / name / "type") << type << "\n";
        }
    }
    void Console(const std::string& active) {
        Tty("console", false);
        std::ofstream(root / "console" / "active") << active << "\n";
    }

    fs::path root;
};

TEST_F(FakeSysfs, PresentPortsInNaturalOrderWithoutConsoleOrEmptyUarts) {
    Console("ttyS0 tty0");
    Tty("ttyS0", true, "4");  // the kernel console
    Tty("ttyS1", true, "4");  // a real 16550A
    Tty("ttyS2", true, "0");  // a legacy slot without a UART
    Tty("ttyS3", true);       // no type attribute: not known to be real
    Tty("ttyUSB10", true);
    Tty("ttyUSB2", true);
    Tty("ttyUSB0", true);
    Tty("ttyACM10", true);
    Tty("ttyACM2", true);
    Tty("ttyACM0", true);
    Tty("ttyACM", true);
    Tty("rfcomm0", true);
    Tty("tty0", false);
    Tty("tty1", false);
    Tty("tty5", true);  // a virtual terminal, even if a tree gave it a device link
    Tty("tty", true);
    Tty("ptmx", false);
    Tty("ttyAMA0", false);  // no device link: not a port
    std::ofstream(root / "stray-file") << "x";

    const std::vector<std::string> expected = {
        "/dev/rfcomm0", "/dev/ttyACM",  "/dev/ttyACM0", "/dev/ttyACM2",  "/dev/ttyACM10",
        "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10",
    };
    EXPECT_EQ(orvane::SerialPortCandidatesIn(root.string()), expected);
}

TEST_F(FakeSysfs, AtMostFortyPortsTheLowestFirst) {
    for (int i = 49; i >= 0; --i) {
        Tty("ttyUSB" + std::to_string(i), true);
    }
    const auto ports = orvane::SerialPortCandidatesIn(root.string());
    ASSERT_EQ(ports.size(), 40U);
    for (size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i], "/dev/ttyUSB" + std::to_string(i));
    }
}

TEST_F(FakeSysfs, WithoutConsoleFileNothingIsExcludedAsConsole) {
    Tty("ttyS0", true, "4");
    EXPECT_EQ(orvane::SerialPortCandidatesIn(root.string()),
              std::vector<std::string>{"/dev/ttyS0"});
}

TEST(PortList, MissingClassDirectoryGivesNoPorts) {
    EXPECT_TRUE(orvane::SerialPortCandidatesIn("/nonexistent/sys/class/tty").empty());
}

}  // namespace
