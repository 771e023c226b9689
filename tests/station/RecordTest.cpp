// The audit record: complete, valid JSON, written whole or not at all, into a directory that is
// checked before anything is sent.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "StationSchema.h"
#include "cli/station/DeviceRun.h"
#include "cli/station/Json.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::cli::station;

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("station-records-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
};

TEST_F(RecordTest, WritesACompleteRecordAndNoTemporaryFile) {
    DeviceRun run;
    run.device = "/dev/hidraw3";
    run.interfaceKind = "usb";
    run.serialNumber = "A1";
    run.portPath = "1-1.4";
    run.startUtc = "2026-12-10T12:00:00.000Z";
    run.endUtc = "2026-12-10T12:00:09.500Z";
    run.endMs = 9500;
    for (const char* line : {"Open USB interface success.", "Enter bootloader mode success!",
                             "Start bootloader.", "BL Version:V1\xFF", "Send command fail."}) {
        run.AddLine(line);
    }
    run.sent = 3;
    run.total = 7;
    run.exitStatus = 1;
    run.reason = "\"Send command fail.\" at frame 3 of 7";
    ScriptInfo script{"/tmp/s.txt", 1029, std::string(64, 'a'), 7};

    std::string error;
    const std::string path =
        WriteRecord(m_dir.string(), run, RecordJson(run, script, "t 1"), error);
    ASSERT_FALSE(path.empty()) << error;
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        ++files;
        EXPECT_EQ(entry.path().extension(), ".json") << entry.path();
    }
    EXPECT_EQ(files, 1U);

    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    JsonValue record;
    ASSERT_TRUE(ParseJson(text.str(), record, error)) << error;
    EXPECT_EQ(stationtest::RecordProblems(record), "");
    EXPECT_EQ(record["bootloader_version"].text, "V1\xEF\xBF\xBD") << "a garbage byte, escaped";
    EXPECT_EQ(record["outcome"].text, "failed");
    EXPECT_EQ(record["frames"]["sent"].number, 3);
    EXPECT_EQ(record["frames"]["script"].number, 7);
    EXPECT_EQ(record["device"]["port_path"].text, "1-1.4");
    EXPECT_EQ(record["log"].items.size(), 5U);
    EXPECT_EQ(record["seconds"].number, 9.5);
}

TEST_F(RecordTest, ADirectoryThatCannotBeWrittenIsRefused) {
    std::string error;
    EXPECT_TRUE(CheckRecordDir(m_dir.string(), error)) << error;
    EXPECT_TRUE(fs::is_empty(m_dir)) << "the check leaves nothing behind";

    std::ofstream(m_dir / "file") << "x";
    for (const std::string& dir :
         {(m_dir / "missing").string(), (m_dir / "file").string(), std::string("/proc/self")}) {
        EXPECT_FALSE(CheckRecordDir(dir, error)) << dir;
        EXPECT_NE(error.find(dir), std::string::npos) << error;
    }
    DeviceRun run;
    run.device = "x";
    EXPECT_EQ(WriteRecord((m_dir / "missing").string(), run, "{}", error), "");
    EXPECT_FALSE(error.empty());
}

TEST(OutcomeTest, NamesEveryExitStatus) {
    struct Case {
        int status;
        const char* outcome;
    } const cases[] = {{0, "downloaded"}, {1, "failed"},    {2, "no answer"}, {3, "script refused"},
                       {130, "stopped"},  {143, "stopped"}, {139, "crashed"}, {70, "crashed"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(OutcomeOf(c.status), c.outcome) << c.status;
    }
}

TEST(ReasonTest, NamesTheRefusedFrameAndWhatEndedARun) {
    DeviceRun run;
    run.sent = 2;  // two exchanges passed: the third frame was refused
    run.total = 12;
    EXPECT_EQ(ReasonOf(run, 0, 0), "");
    EXPECT_EQ(ReasonOf(run, 1, 0), "\"Send command fail.\" at frame 3 of 12");
    EXPECT_EQ(ReasonOf(run, 143, 15), "stopped by signal 15");
    EXPECT_EQ(ReasonOf(run, 2, 0), "no answer to the probe");
    run.reason = "permission denied";
    EXPECT_EQ(ReasonOf(run, 2, 0), "permission denied");
}

}  // namespace
