#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace orvane {

// Keeps a frame from going out after a stop. A sender passes the gate only while no stop is
// pending and holds it for its write; RequestStopAndDrain requests the stop and then waits for
// the gate to be free, so once it returns no write can start, and one already under way has
// ended or is at least kDrainLimit old.

// How long a stop waits for a write that was under way before it; a stalled device write must
// not hold the window that asked for the stop.
constexpr std::chrono::milliseconds kDrainLimit{200};

// Waits for a write under way on another thread to end, then takes the gate. Returns false,
// without taking it, when a stop is pending. Use SendUnlessStopped.
bool EnterSendGate();
// Gives the gate back; only after EnterSendGate returned true.
void LeaveSendGate();

// Runs `send` unless a stop is pending. Returns false, having sent nothing, when stopped.
template <class Send>
bool SendUnlessStopped(Send&& send) {
    if (!EnterSendGate()) {
        return false;
    }
    struct Leave {
        ~Leave() { LeaveSendGate(); }
    } leave;
    send();
    return true;
}

// Requests a stop on the process clock (waking every wait) and waits, at most kDrainLimit, for a
// write in progress to end; a serial write waiting for room gives up at the stop, so this
// usually takes one short write. Any thread; never call it from inside a send.
void RequestStopAndDrain();

}  // namespace orvane
