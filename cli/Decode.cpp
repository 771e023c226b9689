#include "cli/Decode.h"

#include <memory>
#include <vector>

#include "cli/Options.h"
#include "cli/ScriptDiagnosis.h"
#include "download/Script.h"

namespace orvane::cli {

int DecodeScript(const std::string& path, std::FILE* out, std::FILE* err) {
    ScriptText script;
    if (!ReadScriptFile(path, script)) {
        DiagnoseScript(path, err);
        return kExitReadFail;
    }
    const ScriptCheck check = CheckScript(script);
    if (!check.Accepted()) {
        DiagnoseScript(path, err);
        return kExitReadFail;
    }

    auto text = std::make_unique<char[]>(kFrameTextSize);
    auto frame = std::make_unique<uint8_t[]>(kFrameBufferSize);
    std::string line;
    ScriptScan scan(script);
    FrameBlock block;
    for (;;) {
        std::fill_n(text.get(), kFrameTextSize, '\0');
        if (!scan.Next(block, text.get())) {
            break;
        }
        uint32_t count = 0;
        HexTextToBytes(text.get(), block.textLength, frame.get(), &count);
        line.clear();
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (uint32_t i = 0; i < count; ++i) {
            if (i > 0) {
                line += ' ';
            }
            line += kDigits[frame[i] >> 4];
            line += kDigits[frame[i] & 0x0F];
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fflush(out);
    return kExitSuccess;
}

}  // namespace orvane::cli
