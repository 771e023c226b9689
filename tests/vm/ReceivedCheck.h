#pragma once

#include <string>
#include <vector>

namespace orvane::vm {

// One expected request: its bytes as upper-case hex without spaces, whether it may come more
// than once, and whether it is a script frame (counted by `scriptFrames` below).
struct Expected {
    std::string hex;
    bool repeats = false;
    bool script = false;
};

// Reads an expectation written by WriteScripts. Unknown lines are skipped.
std::vector<Expected> ParseExpectation(const std::string& text);

// The requests in an orvane-sim log ("<ms> ms  <n> bytes[ (no answer)]  HEX HEX ..."), as hex
// without spaces; the faces' event lines are skipped.
std::vector<std::string> ParseReceived(const std::string& log);

// Compares what the device received with `expected`, cut right after its script frame number
// `scriptFrames` when that is not negative (a device gone after that frame hears nothing more).
// Returns an empty string when they match, else what differs.
std::string CompareReceived(const std::vector<Expected>& expected,
                            const std::vector<std::string>& received, int scriptFrames);

}  // namespace orvane::vm
