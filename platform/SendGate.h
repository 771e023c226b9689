#pragma once

#include <mutex>

#include "platform/Clock.h"

namespace orvane {

// Keeps a frame from going out after a stop. A sender holds the gate across "no stop yet? then
// write"; RequestStopAndDrain requests the stop and then passes through the gate, so it returns
// only once no write is under way, and none can start afterwards.
std::mutex& SendGate();

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

// Requests a stop on the process clock (waking every wait) and waits for a write in progress to
// end; a serial write waiting for room gives up at the stop, so this takes at most one short
// write. Any thread; never call it while holding the gate.
void RequestStopAndDrain();

}  // namespace orvane
