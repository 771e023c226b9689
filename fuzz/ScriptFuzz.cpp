// Arbitrary bytes as a script file: the text-mode translation, the scan as the worker plays it,
// the whole-script check and the decoder, with their promises checked on every input. Buffers
// are exactly as large as the contracts say, so ASan sees any step past them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "download/Script.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvane::ScriptText script;
    Require(orvane::ScriptTextFromBytes(reinterpret_cast<const char*>(data), size, script));
    Require(script.size == size && script.textLength <= size);
    Require(script.data()[size] == '\0');

    const orvane::ScriptCheck check = orvane::CheckScript(script);

    // Allocated once: a fresh 24 KB per input cost more than the scan itself. The frame text is
    // filled with a non-zero byte before every input, so a missing terminator shows on any
    // input, alone or in a campaign.
    static std::vector<char> frameText(orvane::kFrameTextSize);
    static std::vector<uint8_t> frame(orvane::kFrameBufferSize);
    std::memset(frameText.data(), 'x', frameText.size());
    orvane::ScriptScan scan(script);
    orvane::FrameBlock block;
    uint64_t blocks = 0;
    bool refused = false;
    while (scan.Next(block, frameText.data())) {
        ++blocks;
        Require(block.index == blocks);
        Require(block.textLength <= orvane::kFrameTextMax);
        Require(std::strlen(frameText.data()) == block.textLength);
        if (!block.closed || block.keptCount > orvane::kFrameTextMax) {
            refused = true;
        }

        uint32_t count = 0;
        HexTextToBytes(frameText.data(), block.textLength, frame.data(), &count);
        Require(count == (block.textLength + 1) / 2);
        for (uint32_t j = 0; j < block.textLength; j += 2) {
            const char pair[3] = {frameText[j], frameText[j + 1], '\0'};
            Require(frame[j / 2] == static_cast<uint8_t>(std::strtoul(pair, nullptr, 16)));
        }
    }
    Require(scan.End() != orvane::ScanEnd::Running);
    Require(!scan.Next(block, frameText.data()));
    // A script without a single block is refused too: there is nothing to download.
    Require(check.Accepted() == (!refused && blocks > 0));
    if (check.Accepted()) {
        Require(check.frames == blocks);
    } else if (check.fault == orvane::ScriptFault::NoFrames) {
        Require(blocks == 0 && check.block == 0);
    } else {
        Require(check.block >= 1 && check.block <= blocks && check.line >= 1);
    }
    return 0;
}
