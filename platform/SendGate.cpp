#include "platform/SendGate.h"

namespace orvane {

std::timed_mutex& SendGate() {
    static std::timed_mutex gate;
    return gate;
}

void RequestStopAndDrain() {
    Clock().RequestStop();
    // Failing to get the gate in time means a write that began before the stop is still stuck
    // in the driver; no new one can begin, since a sender checks the stop under the gate.
    if (SendGate().try_lock_for(kDrainLimit)) {
        SendGate().unlock();
    }
}

}  // namespace orvane
