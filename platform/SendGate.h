#pragma once

#include <chrono>
#include <mutex>

#include "platform/Clock.h"

namespace orvane {

// Keeps a frame from going out after a stop. A sender holds the gate across "no stop yet? then
// write"; RequestStopAndDrain requests the stop and then passes through the gate, so once it
// returns no write can start, and one already under way has ended or is at least kDrainLimit old.
std::timed_mutex& SendGate();

// How long a stop waits for a write that was under way before it; a stalled device write must
// not hold the window that asked for the stop.
constexpr std::chrono::milliseconds kDrainLimit{200};

// Runs `send` unless a stop is pending. Returns false, having sent nothing, when stopped.
template <class Send>
bool SendUnlessStopped(Send&& send) {
    std::lock_guard gate(SendGate());
    if (Clock().StopRequested()) {
        return false;
    }
    send();
    return true;
}

// Requests a stop on the process clock (waking every wait) and waits, at most kDrainLimit, for a
// write in progress to end; a serial write waiting for room gives up at the stop, so this
// usually takes one short write. Any thread; never call it while holding the gate.
void RequestStopAndDrain();

}  // namespace orvane
