#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/Script.h"

namespace {

using orvane::FrameBlock;
using orvane::ScanEnd;
using orvane::ScriptScan;
using orvane::ScriptText;

struct Played {
    std::string text;  // the stored frame text up to its terminating zero
    std::vector<uint8_t> bytes;
    uint64_t line = 0;
    bool closed = false;
};

struct ScanResult {
    std::vector<Played> frames;
    ScanEnd end = ScanEnd::Running;
};

ScanResult Scan(const ScriptText& script) {
    ScanResult result;
    ScriptScan scan(script);
    FrameBlock block;
    std::vector<char> text(orvane::kFrameTextSize, 'X');
    while (scan.Next(block, text.data())) {
        uint8_t frame[orvane::kFrameBufferSize] = {};
        uint32_t count = 0;
        HexTextToBytes(text.data(), block.textLength, frame, &count);
        result.frames.push_back({std::string(text.data()),
                                 std::vector<uint8_t>(frame, frame + count), block.line,
                                 block.closed});
        EXPECT_EQ(block.index, result.frames.size());
    }
    result.end = scan.End();
    return result;
}

ScanResult ScanBytes(const std::string& bytes) {
    ScriptText script;
    EXPECT_TRUE(orvane::ScriptTextFromBytes(bytes.data(), bytes.size(), script));
    return Scan(script);
}

std::string DataPath(const char* name) {
    return std::string(ORVANE_TEST_DATA_DIR) + "/scripts/" + name;
}

using Bytes = std::vector<uint8_t>;

TEST(ScriptScan, FrameBlockRules) {
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> texts;
        std::vector<Bytes> frames;
        ScanEnd end;
    };
    const std::string tail = "\nEND>\n\n";
    const Case cases[] = {
        {"spaces dropped",
         "SEND:01 02 03 04 SLEEP" + tail,
         {"01020304"},
         {{1, 2, 3, 4}},
         ScanEnd::EndMarker},
        {"closing keyword on the next line",
         "SEND:A1B2\nSLEEP" + tail,
         {"A1B2\n"},
         {{0xA1, 0xB2, 0x00}},
         ScanEnd::EndMarker},
        {"text on its own line",
         "SEND:\nA1B2\nWAIT" + tail,
         {"\nA1B2\n"},
         {{0x0A, 0x1B, 0x02}},
         ScanEnd::EndMarker},
        {"odd digits then a line end",
         "SEND:A1B27\nSLEEP" + tail,
         {"A1B27\n"},
         {{0xA1, 0xB2, 0x07}},
         ScanEnd::EndMarker},
        {"odd digit count", "SEND:ABC WAIT" + tail, {"ABC"}, {{0xAB, 0x0C}}, ScanEnd::EndMarker},
        {"empty block", "SEND:SLEEP" + tail, {""}, {{}}, ScanEnd::EndMarker},
        {"numbers after the closing keyword are ignored",
         "SEND:01 SLEEP 500\nSEND:02 WAIT 9" + tail,
         {"01", "02"},
         {{1}, {2}},
         ScanEnd::EndMarker},
        {"END> ends the script",
         "SEND:01 SLEEP\nEND>\nSEND:02 SLEEP\n\n",
         {"01"},
         {{1}},
         ScanEnd::EndMarker},
        {"END> inside a block is frame text",
         "SEND:01END>02 SLEEP" + tail,
         {"01END>02"},
         {{0x01, 0x0E, 0x0D, 0x02}},
         ScanEnd::EndMarker},
        {"lower-case keywords are text",
         "send:01 SLEEP\nSEND:01 sleep SLEEP" + tail,
         {"01sleep"},
         {{0x01, 0x00, 0xEE, 0x00}},
         ScanEnd::EndMarker},
        {"tab and CR inside a block",
         "SEND:\t9\r0A WAIT" + tail,
         {"\t90A"},
         {{0x09, 0x0A}},
         ScanEnd::EndMarker},
        {"a zero byte ends the text for decoding",
         std::string("SEND:01\0"
                     "02 SLEEP",
                     16) +
             tail,
         {"01"},
         {{0x01}},
         ScanEnd::EndMarker},
        {"closing keyword past the bound", "SEND:01 SLEEP", {"01"}, {{1}}, ScanEnd::Bound},
        {"no frame block", "just a comment\n", {}, {}, ScanEnd::Bound},
        {"unclosed block",
         "SEND:0102\n" + std::string(10, ' '),
         {"0102\n"},
         {{1, 2, 0}},
         ScanEnd::Unclosed},
        {"five bytes are not scanned", "SEND:", {}, {}, ScanEnd::Bound},
        {"END> at N - 5 is past the bound", "xEND>\n", {}, {}, ScanEnd::Bound},
        {"END> below N - 5 ends", "END>\n\n", {}, {}, ScanEnd::EndMarker},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = ScanBytes(c.script);
        ASSERT_EQ(result.frames.size(), c.frames.size());
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(result.frames[i].text, c.texts[i]) << "frame " << i + 1;
            EXPECT_EQ(result.frames[i].bytes, c.frames[i]) << "frame " << i + 1;
        }
        EXPECT_EQ(result.end, c.end);
    }
}

TEST(ScriptScan, CountsTheLineOfEachSend) {
    const ScanResult result =
        ScanBytes("\n\nSEND:01 SLEEP\nSEND:02\nWAIT\n# note\nSEND:03 SLEEP SEND:04 WAIT\nEND>\n\n");
    ASSERT_EQ(result.frames.size(), 4U);
    EXPECT_EQ(result.frames[0].line, 3U);
    EXPECT_EQ(result.frames[1].line, 4U);
    EXPECT_EQ(result.frames[2].line, 7U);
    EXPECT_EQ(result.frames[3].line, 7U);
}

// A block longer than the frame text buffer is stored cut, zero-terminated, and the buffer's
// last byte is the terminator; the full count still tells the check how long it was.
TEST(ScriptScan, CutsAnOverlongBlockAtTheBuffer) {
    const std::string script = "SEND:" + std::string(orvane::kFrameTextSize + 10, '1') + " SLEEP\n";
    ScriptText text;
    ASSERT_TRUE(orvane::ScriptTextFromBytes(script.data(), script.size(), text));
    std::vector<char> buffer(orvane::kFrameTextSize + 1, 'X');
    ScriptScan scan(text);
    FrameBlock block;
    ASSERT_TRUE(scan.Next(block, buffer.data()));
    EXPECT_EQ(block.keptCount, orvane::kFrameTextSize + 10);
    EXPECT_EQ(block.textLength, orvane::kFrameTextMax);
    EXPECT_EQ(buffer[orvane::kFrameTextMax], '\0');
    EXPECT_EQ(buffer[orvane::kFrameTextSize], 'X');
    EXPECT_FALSE(scan.Next(block, buffer.data()));
    EXPECT_EQ(scan.End(), ScanEnd::Bound);
}

TEST(ScriptFile, ReadsCrLfAsLfAndKeepsTheSizeOnDisk) {
    ScriptText script;
    ASSERT_TRUE(orvane::ReadScriptFile(DataPath("crlf-blocks.txt"), script));
    EXPECT_EQ(script.size, 42U);
    const std::string expected = "SEND:A1B2\nSLEEP\nx\rSEND:C3 WAIT\nEND>\n\n";
    EXPECT_EQ(script.textLength, expected.size());
    EXPECT_EQ(std::string(script.data(), script.textLength), expected);
    EXPECT_EQ(std::string(script.data() + script.textLength, script.size + 1 - script.textLength),
              std::string(script.size + 1 - script.textLength, '\0'));

    const ScanResult result = Scan(script);
    ASSERT_EQ(result.frames.size(), 2U);
    EXPECT_EQ(result.frames[0].bytes, (Bytes{0xA1, 0xB2, 0x00}));
    EXPECT_EQ(result.frames[1].bytes, (Bytes{0xC3}));
    EXPECT_EQ(result.frames[1].line, 3U);
    EXPECT_EQ(result.end, ScanEnd::EndMarker);
}

// N is the size on disk, so CR LF line ends let the scan see an "END>" that the same text with
// LF line ends hides behind the bound. Both end the script; only the way differs.
TEST(ScriptFile, CrLfFilesReachCloserToTheEnd) {
    ScriptText crlf;
    ScriptText lf;
    ASSERT_TRUE(orvane::ReadScriptFile(DataPath("crlf-end.txt"), crlf));
    ASSERT_TRUE(orvane::ReadScriptFile(DataPath("lf-end-at-bound.txt"), lf));
    EXPECT_EQ(std::string(crlf.data(), crlf.textLength), std::string(lf.data(), lf.textLength));
    EXPECT_EQ(Scan(crlf).end, ScanEnd::EndMarker);
    EXPECT_EQ(Scan(lf).end, ScanEnd::Bound);
    EXPECT_EQ(Scan(lf).frames.size(), 1U);
}

TEST(ScriptFile, FiveByteFileIsNotScanned) {
    ScriptText script;
    ASSERT_TRUE(orvane::ReadScriptFile(DataPath("five-bytes.txt"), script));
    EXPECT_EQ(script.size, 5U);
    const ScanResult result = Scan(script);
    EXPECT_TRUE(result.frames.empty());
    EXPECT_EQ(result.end, ScanEnd::Bound);
}

TEST(ScriptFile, RefusesWhatCannotBeRead) {
    ScriptText script;
    EXPECT_FALSE(orvane::ReadScriptFile(DataPath("no-such-file.txt"), script));
    EXPECT_FALSE(orvane::ReadScriptFile(ORVANE_TEST_DATA_DIR, script));
    EXPECT_EQ(script.data(), nullptr);
    EXPECT_FALSE(orvane::ReadScriptFile("", script));
}

TEST(ScriptFile, LoneCrStaysAndCrCrLfKeepsOneCr) {
    const std::string raw = "a\rb\r\r\nc\r";
    ScriptText script;
    ASSERT_TRUE(orvane::ScriptTextFromBytes(raw.data(), raw.size(), script));
    EXPECT_EQ(script.size, raw.size());
    EXPECT_EQ(std::string(script.data(), script.textLength), "a\rb\r\nc\r");
    EXPECT_EQ(script.data()[script.size], '\0');
}

}  // namespace
