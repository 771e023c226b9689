#pragma once

#include <atomic>

#include "cli/ConsoleWindow.h"

namespace orvane::cli {

// Turns the operator's interrupt into a stop request on the process clock (RequestStopAndDrain),
// taken under the log guard of the run's window once `runWindow` points at one, so that no line
// is appended and nothing is sent once it is in. Windows: Ctrl-C, Ctrl-Break and the console's
// close, log-off and shut-down events (for those the process is kept until the run has ended,
// within the system's grace time). Call once, before any other thread starts; `runWindow` must
// live until the process ends.
void WatchStopRequests(std::atomic<ConsoleWindow*>& runWindow);

// Tells a waiting close event that the run has ended and the process may go. Any thread.
void RunEnded();

}  // namespace orvane::cli
