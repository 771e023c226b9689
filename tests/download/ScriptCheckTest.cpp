#include <gtest/gtest.h>

#include <string>

#include "download/Script.h"

namespace {

using orvane::ScriptCheck;
using orvane::ScriptFault;

ScriptCheck Check(const std::string& bytes) {
    orvane::ScriptText script;
    EXPECT_TRUE(orvane::ScriptTextFromBytes(bytes.data(), bytes.size(), script));
    return orvane::CheckScript(script);
}

TEST(CheckScript, VerdictPerScript) {
    struct Case {
        const char* name;
        std::string script;
        ScriptFault fault;
        uint64_t block;
        uint64_t line;
        uint64_t frames;
    };
    const std::string longest(orvane::kFrameTextMax, 'A');
    const Case cases[] = {
        {"longest frame text", "SEND:" + longest + " SLEEP\nEND>\n\n", ScriptFault::None, 0, 0, 1},
        {"spaces and CR do not count", "SEND:" + longest + " \r \rSLEEP\nEND>\n\n",
         ScriptFault::None, 0, 0, 1},
        {"one character too many", "SEND:01 SLEEP\r\n\r\nSEND:" + longest + "A SLEEP\nEND>\n\n",
         ScriptFault::FrameTextTooLong, 2, 3, 0},
        {"line end counts as a character", "SEND:01 WAIT\nSEND:" + longest + "\nSLEEP\n\n",
         ScriptFault::FrameTextTooLong, 2, 2, 0},
        {"unclosed block", "SEND:01 SLEEP\n\nSEND:0203\n      ", ScriptFault::BlockNotClosed, 2, 3,
         0},
        {"unclosed and too long", "SEND:" + longest + "AA", ScriptFault::BlockNotClosed, 1, 1, 0},
        {"lower-case closing keyword", "SEND:01 sleep\nwait\n\n", ScriptFault::BlockNotClosed, 1, 1,
         0},
        {"blocks behind END> are not played", "SEND:01 SLEEP\nEND>\nSEND:02\n\n", ScriptFault::None,
         0, 0, 1},
        {"no blocks at all", "nothing here\n", ScriptFault::NoFrames, 0, 0, 0},
        {"END> before any block", "END>\nSEND:01 SLEEP\n\n", ScriptFault::NoFrames, 0, 0, 0},
        {"empty blocks count", "SEND:SLEEP SEND:WAIT SEND: SLEEP\n\n\n\n\n", ScriptFault::None, 0,
         0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScriptCheck check = Check(c.script);
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.Accepted(), c.fault == ScriptFault::None);
        EXPECT_EQ(check.block, c.block);
        EXPECT_EQ(check.line, c.line);
        EXPECT_EQ(check.frames, c.frames);
    }
}

TEST(CheckScript, DescribesTheRefusedBlock) {
    ScriptCheck check;
    check.fault = ScriptFault::FrameTextTooLong;
    check.block = 3;
    check.line = 12;
    EXPECT_EQ(orvane::DescribeScriptFault(check),
              "block 3 (line 12): frame text longer than 16383 characters");
    check.fault = ScriptFault::BlockNotClosed;
    EXPECT_EQ(orvane::DescribeScriptFault(check),
              "block 3 (line 12): frame block not closed by SLEEP or WAIT");
    EXPECT_EQ(orvane::DescribeScriptFault(ScriptCheck{}), "");
}

// A file without a block is refused, and the refusal says what the file holds instead.
TEST(CheckScript, NamesWhyAFileHasNoFrameBlock) {
    struct Case {
        const char* name;
        std::string script;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", "", "the file is empty"},
        {"one byte", "S", "the file has only 1 byte"},
        {"five bytes", "SEND:", "the file has only 5 bytes"},
        {"binary",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0SEND",
                     14),
         "the file is binary, not a script"},
        {"prose", "Dear operator,\nplease flash the device.\n", "none in the file"},
        {"END> first", "; header\n\nEND>\nSEND:01 SLEEP\n\n", "END> on line 3 comes first"},
        {"lower-case keyword", "send:01 SLEEP\nEND>\n\n", "END> on line 2 comes first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScriptCheck check = Check(c.script);
        EXPECT_EQ(check.fault, ScriptFault::NoFrames);
        EXPECT_FALSE(check.Accepted());
        EXPECT_EQ(orvane::DescribeScriptFault(check),
                  std::string("no frame block (SEND: ... SLEEP or WAIT): ") + c.reason);
    }
}

TEST(CheckScript, ChecksAFileByPath) {
    ScriptCheck check;
    check.frames = 77;
    EXPECT_FALSE(orvane::CheckScriptFile(std::string(ORVANE_TEST_DATA_DIR) + "/none.txt", check));
    EXPECT_EQ(check.frames, 77U);
    ASSERT_TRUE(orvane::CheckScriptFile(
        std::string(ORVANE_TEST_DATA_DIR) + "/scripts/crlf-blocks.txt", check));
    EXPECT_TRUE(check.Accepted());
    EXPECT_EQ(check.frames, 2U);
}

}  // namespace
