#include "platform/EventPump.h"

#include <utility>

namespace orvane {

namespace {
std::function<void()>& Pump() {
    static std::function<void()> pump;
    return pump;
}
}  // namespace

void PumpEvents() {
    if (Pump()) {
        Pump()();
    }
}

void SetEventPump(std::function<void()> pump) {
    Pump() = std::move(pump);
}

}  // namespace orvane
