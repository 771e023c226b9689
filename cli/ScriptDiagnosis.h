#pragma once

#include <cstdio>
#include <string>

namespace orvane::cli {

// Says on `err` why the script at `path` cannot be played: that it cannot be read, or which
// block (and the line of its "SEND:") the check before the first frame refuses. Prints nothing
// for a script that reads and passes the check.
void DiagnoseScript(const std::string& path, std::FILE* err);

}  // namespace orvane::cli
