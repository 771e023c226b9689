#include "download/Script.h"

namespace orvane {

ScriptCheck CheckScript(const ScriptText& script) {
    ScriptCheck check;
    ScriptScan scan(script);
    FrameBlock block;
    while (scan.Next(block, nullptr)) {
        // An unclosed block is named as such even when it is also too long: closing it is the
        // first thing its author has to mend.
        const ScriptFault fault = !block.closed                     ? ScriptFault::BlockNotClosed
                                  : block.keptCount > kFrameTextMax ? ScriptFault::FrameTextTooLong
                                                                    : ScriptFault::None;
        if (fault != ScriptFault::None) {
            check.fault = fault;
            check.block = block.index;
            check.line = block.line;
            check.frames = 0;
            return check;
        }
        ++check.frames;
    }
    return check;
}

bool CheckScriptFile(const std::string& path, ScriptCheck& check) {
    ScriptText script;
    if (!ReadScriptFile(path, script)) {
        return false;
    }
    check = CheckScript(script);
    return true;
}

std::string DescribeScriptFault(const ScriptCheck& check) {
    const char* what = nullptr;
    switch (check.fault) {
        case ScriptFault::None:
            return {};
        case ScriptFault::FrameTextTooLong:
            what = "frame text longer than 16383 characters";
            break;
        case ScriptFault::BlockNotClosed:
            what = "frame block not closed by SLEEP or WAIT";
            break;
    }
    return "block " + std::to_string(check.block) + " (line " + std::to_string(check.line) +
           "): " + what;
}

}  // namespace orvane
