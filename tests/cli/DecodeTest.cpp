#include "cli/Decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

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
    EXPECT_EQ(err.Text(), "");
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
