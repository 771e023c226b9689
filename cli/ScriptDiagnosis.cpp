#include "cli/ScriptDiagnosis.h"

#include "cli/Diagnostics.h"
#include "download/Script.h"

namespace orvane::cli {

bool PrecheckScript(const std::string& path, ReadFailure& failure, ScriptText* script) {
    failure = ReadFailure{};
    failure.path = path;
    ScriptText local;
    ScriptText& text = script != nullptr ? *script : local;
    failure.readable = ReadScriptFile(path, text, &failure.reason);
    if (!failure.readable) {
        return false;
    }
    failure.check = CheckScript(text);
    failure.reason = DescribeScriptFault(failure.check);
    return failure.check.Accepted();
}

void DiagnoseScript(const std::string& path, std::FILE* err) {
    ReadFailure failure;
    if (!PrecheckScript(path, failure)) {
        std::fprintf(err, "orvane-flash: %s\n", DescribeReadFailure(failure).c_str());
    }
}

}  // namespace orvane::cli
