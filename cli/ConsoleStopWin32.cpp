// The console's control events become a stop request. The system calls the handler on a thread
// of its own, so it only takes the guard and requests the stop, as the POSIX signal thread does.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <mutex>

#include "cli/ConsoleStop.h"
#include "platform/SendGate.h"

namespace orvane::cli {

namespace {

std::atomic<ConsoleWindow*>* g_runWindow = nullptr;
HANDLE g_runEnded = nullptr;  // manual-reset, set once the run has ended

// The system ends the process a few seconds after a close event; the run's end comes well
// before, since every wait of the run wakes at the stop.
constexpr DWORD kCloseGraceMs = 4000;

void RequestStop() {
    ConsoleWindow* window = g_runWindow != nullptr ? g_runWindow->load() : nullptr;
    if (window != nullptr) {
        std::lock_guard<std::mutex> lock(window->m_logGuard);
        RequestStopAndDrain();
    } else {
        RequestStopAndDrain();
    }
}

BOOL WINAPI OnControlEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            RequestStop();
            return TRUE;  // the run ends by itself, with its exit status
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            RequestStop();
            // Returning lets the system end the process at once: hold it until the run is over.
            if (g_runEnded != nullptr) {
                ::WaitForSingleObject(g_runEnded, kCloseGraceMs);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void WatchStopRequests(std::atomic<ConsoleWindow*>& runWindow) {
    g_runWindow = &runWindow;
    g_runEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

void RunEnded() {
    if (g_runEnded != nullptr) {
        ::SetEvent(g_runEnded);
    }
}

}  // namespace orvane::cli
