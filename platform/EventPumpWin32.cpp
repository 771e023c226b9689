#include <windows.h>

#include "platform/EventPump.h"

namespace orvane {

void PumpWindowMessage() {
    // One message per call, not the whole queue: the wait loop that calls it reads the link
    // between two messages. Each thread has its own record, so a probe and a version query on two
    // threads never share one.
    thread_local MSG g_pumpMsg{};
    if (PeekMessageA(&g_pumpMsg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&g_pumpMsg);
        DispatchMessageA(&g_pumpMsg);
    }
}

}  // namespace orvane
