#include <algorithm>
#include <cstring>

#include "download/Script.h"

namespace orvane {

namespace {

// What a script without frame blocks holds instead, for the refusal's message.
void DescribeEmpty(const ScriptText& script, ScanEnd end, ScriptCheck& check) {
    const char* text = script.data();
    check.size = script.size;
    check.binary = text != nullptr && std::memchr(text, '\0', script.textLength) != nullptr;
    if (end != ScanEnd::EndMarker || text == nullptr) {
        return;
    }
    // With no block before it, the first "END>" below the bound is the one that ended the scan.
    const size_t bound = script.size > 5 ? script.size - 5 : 0;
    for (size_t p = 0; p < bound; ++p) {
        if (std::memcmp(text + p, "END>", 4) == 0) {
            check.endLine = 1 + static_cast<uint64_t>(std::count(text, text + p, '\n'));
            return;
        }
    }
}

}  // namespace

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
    if (check.frames == 0) {
        // Nothing to send is no download: playing it would report success for the wrong file.
        check.fault = ScriptFault::NoFrames;
        DescribeEmpty(script, scan.End(), check);
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
        case ScriptFault::NoFrames: {
            std::string text = "no frame block (SEND: ... SLEEP or WAIT): ";
            if (check.size == 0) {
                text += "the file is empty";
            } else if (check.size <= 5) {
                text += "the file has only " + std::to_string(check.size) +
                        (check.size == 1 ? " byte" : " bytes");
            } else if (check.binary) {
                text += "the file is binary, not a script";
            } else if (check.endLine > 0) {
                text += "END> on line " + std::to_string(check.endLine) + " comes first";
            } else {
                text += "none in the file";
            }
            return text;
        }
    }
    return "block " + std::to_string(check.block) + " (line " + std::to_string(check.line) +
           "): " + what;
}

}  // namespace orvane
