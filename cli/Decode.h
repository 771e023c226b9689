#pragma once

#include <cstdio>
#include <string>

namespace orvane::cli {

// --decode: prints each script frame that a run of the script at `path` would send, one line per
// frame, its bytes as two-digit upper-case hex separated by single spaces (an empty frame gives
// an empty line). Sends nothing. Returns kExitSuccess, or kExitReadFail after a reason on `err`
// when the script cannot be read or would be refused before its first frame.
int DecodeScript(const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace orvane::cli
