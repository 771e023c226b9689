#include "cli/ScriptDiagnosis.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "download/Script.h"

namespace orvane::cli {

void DiagnoseScript(const std::string& path, std::FILE* err) {
    ScriptCheck check;
    if (!CheckScriptFile(path, check)) {
        // Name the reason the system gives for a file that will not open, when there is one.
        std::ifstream probe(path);
        const char* reason = probe ? "not a readable regular file" : std::strerror(errno);
        std::fprintf(err, "orvane-flash: cannot read script %s: %s\n", path.c_str(), reason);
        return;
    }
    if (!check.Accepted()) {
        std::fprintf(err, "orvane-flash: script %s refused: %s\n", path.c_str(),
                     DescribeScriptFault(check).c_str());
    }
}

}  // namespace orvane::cli
