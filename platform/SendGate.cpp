#include "platform/SendGate.h"

namespace orvane {

std::mutex& SendGate() {
    static std::mutex gate;
    return gate;
}

void RequestStopAndDrain() {
    Clock().RequestStop();
    std::lock_guard drained(SendGate());
}

}  // namespace orvane
