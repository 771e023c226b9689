#pragma once

#include <functional>

namespace orvane {

// Runs one pass of the calling thread's window events, if that thread has a window. The probe
// and the version query call it once per turn of their USB wait loop so that the console stays
// live during a USB probe. Without an installed pump (the flasher) it does nothing.
void PumpEvents();
// Installs the pump; an empty function removes it. Install before any probe runs.
void SetEventPump(std::function<void()> pump);

#ifdef _WIN32
// Windows: takes at most one window message off the calling thread's queue and translates and
// dispatches it (PeekMessageA with PM_REMOVE, TranslateMessage, DispatchMessageA). Any thread.
void PumpWindowMessage();
#endif

}  // namespace orvane
