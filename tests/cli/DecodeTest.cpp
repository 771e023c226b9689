#include "cli/Decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "tests/cli/Capture.h"

namespace orvane::cli {
namespace {

using test::Capture;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(Decode, PrintsEachFrameTheScanWouldSend) {
    Capture out;
    Capture err;
    const std::string data = ORVANE_CLI_TEST_DATA;
    EXPECT_EQ(DecodeScript(data + "/decode.txt", out.File(), err.File()), kExitSuccess);
    EXPECT_EQ(out.Text(), ReadFile(data + "/decode.expected"));
    // Odd digit counts, characters that are not digits, frames that are no message frames.
    EXPECT_EQ(err.Text(), ReadFile(data + "/decode.warnings"));
}

TEST(Decode, RefusesAScriptWithoutFramesAndSaysWhy) {
    const std::string path = WriteTemp("prose.txt", "These are the release notes.\nEND>\n\n\n");
    Capture out;
    Capture err;
    EXPECT_EQ(DecodeScript(path, out.File(), err.File()), kExitReadFail);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "orvane-flash: script " + path +
                              " refused: no frame block (SEND: ... SLEEP or WAIT): END> on line 2 "
                              "comes first\n");
}

// A sealed probe request, its CRC spoilt, and the same cut into HID reports.
TEST(Decode, WarnsOfFramesWhoseCrcDoesNotMatch) {
    const std::vector<uint8_t> good = {'Z', 'e', 'n',  't',  'h',  'r',  'a',  'l',
                                       '2', 0,   0x18, 0x01, 0x00, 0x00, 0x6D, 0x3C};
    std::vector<uint8_t> bad = good;
    bad[15] = 0x3D;
    auto report = [](const std::vector<uint8_t>& message) {
        std::vector<uint8_t> r(64, 0);
        r[0] = 1;
        std::copy(message.begin(), message.end(), r.begin() + 1);
        return r;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool usb;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"RS232 frame", good, false, {}},
        {"RS232 frame, CRC spoilt", bad, false, {"CRC 6D3D does not match the frame's 6D3C"}},
        {"USB report", report(good), true, {}},
        {"USB report, CRC spoilt",
         report(bad),
         true,
         {"CRC 6D3D does not match the message's 6D3C"}},
        {"RS232 frame read as USB",
         good,
         true,
         {"message of 15 bytes is too short for a message frame (16 bytes at least)"}},
        {"length field beyond the frame",
         {good.begin(), good.begin() + 12},
         false,
         {"frame of 12 bytes is too short for a message frame (16 bytes at least)"}},
    };
    const std::string digits(2 * 64, '0');  // the text only counts for the digit warnings
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FrameWarnings(digits.c_str(), static_cast<uint32_t>(2 * c.bytes.size()),
                                c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), c.usb),
                  c.warnings);
    }
    std::vector<uint8_t> longer = good;
    longer[13] = 0x04;  // asks for four data bytes the frame does not hold
    EXPECT_EQ(FrameWarnings(digits.c_str(), 32, longer.data(), 16, false),
              std::vector<std::string>{"frame holds 16 bytes, its length field asks for 20"});
}

TEST(Decode, RefusesAScriptTheWorkerWouldRefuseAndNamesTheBlock) {
    const std::string path =
        WriteTemp("unclosed.txt", "SEND:0102 SLEEP\n; next\nSEND:0304\nmore text\n");
    Capture out;
    Capture err;
    EXPECT_EQ(DecodeScript(path, out.File(), err.File()), kExitReadFail);
    EXPECT_EQ(out.Text(), "") << "nothing of a refused script is printed";
    EXPECT_NE(err.Text().find("block 2 (line 3)"), std::string::npos) << err.Text();
}

TEST(Decode, SaysWhyAScriptCannotBeRead) {
    Capture out;
    Capture err;
    EXPECT_EQ(DecodeScript(::testing::TempDir() + "no-such-script.txt", out.File(), err.File()),
              kExitReadFail);
    EXPECT_EQ(out.Text(), "");
    EXPECT_NE(err.Text().find("cannot read script"), std::string::npos) << err.Text();
    EXPECT_NE(err.Text().find("No such file"), std::string::npos) << err.Text();
}

}  // namespace
}  // namespace orvane::cli
