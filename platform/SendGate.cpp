#include "platform/SendGate.h"

#include <condition_variable>
#include <mutex>

namespace orvane {

namespace {

// A flag under a plain mutex rather than a timed mutex: the drain's bounded wait is then a
// condition variable's, which every thread checker understands, where a timed lock is not seen
// by all of them (ThreadSanitizer misses pthread_mutex_clocklock and reports its unlock).
struct Gate {
    std::mutex mutex;
    std::condition_variable freed;
    bool busy = false;
};

Gate& TheGate() {
    // Never destroyed, like the system clock: a drain may still be waiting at exit.
    static Gate& gate = *new Gate;
    return gate;
}

}  // namespace

bool EnterSendGate() {
    Gate& gate = TheGate();
    std::unique_lock lock(gate.mutex);
    gate.freed.wait(lock, [&] { return !gate.busy; });
    // Checked under the gate's mutex: a drain that got it after setting the stop sees every
    // write that passed here before, and none can pass after.
    if (Clock().StopRequested()) {
        return false;
    }
    gate.busy = true;
    return true;
}

void LeaveSendGate() {
    Gate& gate = TheGate();
    {
        std::lock_guard lock(gate.mutex);
        gate.busy = false;
    }
    gate.freed.notify_all();
}

void RequestStopAndDrain() {
    Clock().RequestStop();
    // Not getting the gate in time means a write that began before the stop is still stuck in
    // the driver; no new one can begin, since a sender checks the stop under the gate.
    Gate& gate = TheGate();
    std::unique_lock lock(gate.mutex);
    gate.freed.wait_for(lock, kDrainLimit, [&] { return !gate.busy; });
}

}  // namespace orvane
