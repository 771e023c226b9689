#pragma once

#include <cstdint>

namespace orvane {

// The one source of time for the worker, the links and the exchanges. Tests install a
// VirtualClock; the program uses the SystemClock.
//
// The stop signal lives here so that a stop request wakes whatever wait is in progress.
// Thread-safety: every member may be called from any thread.
class IClock {
public:
    virtual ~IClock() = default;

    // Waits `ms` milliseconds (0 only yields). Returns false, at once, when a stop is requested
    // before or during the wait: the caller must then give up what it is doing.
    virtual bool Sleep(uint32_t ms) = 0;
    // Milliseconds since an arbitrary start; wraps at 2^32 like GetTickCount.
    virtual uint32_t TickCount() = 0;
    // A monotonic counter and its counts per second (QueryPerformanceCounter/Frequency).
    virtual int64_t HighResCounter() = 0;
    virtual int64_t HighResFrequency() = 0;

    virtual void RequestStop() = 0;
    virtual void ClearStop() = 0;
    virtual bool StopRequested() const = 0;
};

// The process-wide clock: the SystemClock unless a test or tool installed another one.
IClock& Clock();
// Installs `clock` as the process-wide clock; nullptr restores the SystemClock. The caller keeps
// ownership and must keep it alive while any thread may still be using it. Not to be called
// while a worker runs; another thread calling Clock() meanwhile gets the old clock or the new.
void SetClock(IClock* clock);

}  // namespace orvane
