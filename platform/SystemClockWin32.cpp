// The SystemClock on Windows: the tick and the performance counter the device's timing was
// written for, and waits on an event that a stop request sets.
// windows.h first.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <timeapi.h>
// clang-format on

#include "platform/SystemClock.h"

namespace orvane {

SystemClock::SystemClock() : m_hWake(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    // The waits are in whole milliseconds; the default timer tick is 15.6 ms.
    ::timeBeginPeriod(1);
}

SystemClock::~SystemClock() {
    ::timeEndPeriod(1);
    if (m_hWake != nullptr) {
        ::CloseHandle(m_hWake);
    }
}

bool SystemClock::Sleep(uint32_t ms) {
    if (StopRequested()) {
        return false;
    }
    if (ms == 0) {
        ::Sleep(0);
        return !StopRequested();
    }
    if (m_hWake == nullptr) {
        ::Sleep(ms);
        return !StopRequested();
    }
    return ::WaitForSingleObject(m_hWake, ms) != WAIT_OBJECT_0 && !StopRequested();
}

uint32_t SystemClock::TickCount() {
    return ::GetTickCount();
}

int64_t SystemClock::HighResCounter() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t SystemClock::HighResFrequency() {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void SystemClock::RequestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    if (m_hWake != nullptr) {
        ::SetEvent(m_hWake);
    }
    m_wake.notify_all();
}

void SystemClock::ClearStop() {
    std::lock_guard lock(m_mutex);
    m_bStop = false;
    if (m_hWake != nullptr) {
        ::ResetEvent(m_hWake);
    }
}

bool SystemClock::StopRequested() const {
    std::lock_guard lock(m_mutex);
    return m_bStop;
}

}  // namespace orvane
