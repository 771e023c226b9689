#pragma once

#include <mutex>

namespace orvane::cli {

// What ended the run from outside.
enum class Interrupt {
    None,
    Interrupted,  // Ctrl-C (SIGINT; on Windows every console control event): exit status 130
    Terminated,   // SIGTERM: exit status 143
};

// Turns Ctrl-C and a termination request into a stop request on the process clock
// (orvane::RequestStopAndDrain), taken while `*logGuard` is held when it is set, so that no
// log line is appended once the stop is in. Call once, before any other thread starts (POSIX:
// the signals are blocked in every thread and taken by a thread of their own). One file per
// platform: InterruptPosix.cpp, InterruptWin32.cpp.
void WatchInterrupts();
// The guard to hold while stopping; set it once the run's window exists (null: none).
void SetInterruptGuard(std::mutex* logGuard);
// The first interrupt that came, or None. Any thread.
Interrupt InterruptReceived();

#ifdef _WIN32
// What a console control event (CTRL_C_EVENT ... CTRL_SHUTDOWN_EVENT) means; None for others.
Interrupt InterruptOfControlEvent(unsigned long event);
#endif

}  // namespace orvane::cli
