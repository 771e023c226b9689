// The console's control events. The system calls the handler on a thread of its own, so it
// only takes the guard and requests the stop, as the POSIX signal thread does.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>

#include "cli/Interrupt.h"
#include "platform/SendGate.h"

namespace orvane::cli {

namespace {

std::atomic<std::mutex*> g_logGuard{nullptr};
std::atomic<Interrupt> g_interrupt{Interrupt::None};

// After a close, log-off or shut-down event returns, the system ends the process at once; the
// handler holds it meanwhile so that the run ends by itself (every wait wakes at the stop) and
// main returns its status, well within the system's grace of about 5 s.
constexpr DWORD kCloseHoldMs = 4000;

void Stop(Interrupt kind) {
    Interrupt expected = Interrupt::None;
    g_interrupt.compare_exchange_strong(expected, kind);
    if (std::mutex* guard = g_logGuard.load()) {
        std::lock_guard<std::mutex> lock(*guard);
        RequestStopAndDrain();
    } else {
        RequestStopAndDrain();
    }
}

BOOL WINAPI OnControlEvent(DWORD event) {
    const Interrupt kind = InterruptOfControlEvent(event);
    if (kind == Interrupt::None) {
        return FALSE;
    }
    Stop(kind);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        ::Sleep(kCloseHoldMs);
    }
    return TRUE;
}

}  // namespace

Interrupt InterruptOfControlEvent(unsigned long event) {
    switch (event) {
        // Windows has no SIGTERM: closing the console is the operator stopping the download,
        // as Ctrl-C is, and scripts on Windows look for 130.
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            return Interrupt::Interrupted;
        default:
            return Interrupt::None;
    }
}

void SetInterruptGuard(std::mutex* logGuard) {
    g_logGuard = logGuard;
}

Interrupt InterruptReceived() {
    return g_interrupt.load();
}

void WatchInterrupts() {
    ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

}  // namespace orvane::cli
