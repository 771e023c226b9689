#include "tests/vm/ReceivedCheck.h"

#include <gtest/gtest.h>

namespace orvane::vm {
namespace {

const char* const kExpect =
    "= AA01\n"
    "# BB01\n"
    "+ CC11\n"
    "# BB02\n"
    "= CC10\n"
    "# BB03\n";

std::vector<std::string> Received(const std::string& log) {
    return ParseReceived(log);
}

TEST(ReceivedCheckTest, ParsesTheSimulatorLogAndSkipsEvents) {
    const auto received = Received(
        "       3 ms   16 bytes  AA 01\n"
        "      40 ms  uhid: device destroyed\n"
        "     700 ms   16 bytes (no answer)  BB 01\n");
    EXPECT_EQ(received, (std::vector<std::string>{"AA01", "BB01"}));
}

struct CompareCase {
    const char* name;
    std::vector<std::string> received;
    int frames;
    bool match;
};

class CompareTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareTest, MatchesOnlyTheExpectedSequence) {
    const CompareCase& c = GetParam();
    const std::string diff = CompareReceived(ParseExpectation(kExpect), c.received, c.frames);
    EXPECT_EQ(diff.empty(), c.match) << diff;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTest,
    ::testing::Values(
        CompareCase{"whole", {"AA01", "BB01", "CC11", "BB02", "CC10", "BB03"}, -1, true},
        CompareCase{"poll_repeated",
                    {"AA01", "BB01", "CC11", "CC11", "CC11", "BB02", "CC10", "BB03"},
                    -1,
                    true},
        CompareCase{"poll_missing", {"AA01", "BB01", "BB02", "CC10", "BB03"}, -1, false},
        CompareCase{
            "probe_twice", {"AA01", "AA01", "BB01", "CC11", "BB02", "CC10", "BB03"}, -1, false},
        CompareCase{"frame_missing", {"AA01", "BB01", "CC11", "BB02", "CC10"}, -1, false},
        CompareCase{
            "extra_at_end", {"AA01", "BB01", "CC11", "BB02", "CC10", "BB03", "BB03"}, -1, false},
        CompareCase{"wrong_bytes", {"AA01", "BB01", "CC11", "BB02", "CC10", "BB04"}, -1, false},
        CompareCase{"cut_after_two", {"AA01", "BB01", "CC11", "BB02"}, 2, true},
        CompareCase{"cut_but_more_came", {"AA01", "BB01", "CC11", "BB02", "CC10"}, 2, false},
        CompareCase{"cut_after_one", {"AA01", "BB01"}, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane::vm
