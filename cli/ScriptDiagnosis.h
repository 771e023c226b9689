#pragma once

#include <cstdio>
#include <string>

#include "download/Script.h"
#include "download/WorkerEvents.h"

namespace orvane::cli {

// Reads and checks the script at `path` as the worker will before its first frame. True when
// it would be played (the text is then in `script`, when given); otherwise false with why in
// `failure` (as the worker's OnReadFailed would give it).
bool PrecheckScript(const std::string& path, ReadFailure& failure, ScriptText* script = nullptr);

// Says on `err` ("orvane-flash: ...") why the script at `path` cannot be played: that it cannot
// be read, or what the check refuses. Prints nothing for a script that would be played.
void DiagnoseScript(const std::string& path, std::FILE* err);

}  // namespace orvane::cli
