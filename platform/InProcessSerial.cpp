#include "platform/InProcessSerial.h"

#include <map>
#include <mutex>
#include <utility>

namespace orvane {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, SerialPortFactory> factories;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

bool RegisterInProcessSerialPort(const std::string& name, SerialPortFactory factory) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.factories.emplace(name, std::move(factory)).second;
}

void UnregisterInProcessSerialPort(const std::string& name) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.factories.erase(name);
}

std::unique_ptr<ISerialPort> MakeInProcessSerialPort(const std::string& name) {
    SerialPortFactory factory;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.factories.find(name);
        if (found == registry.factories.end()) {
            return nullptr;
        }
        factory = found->second;
    }
    // Made outside the lock: a factory may take locks of its own.
    return factory ? factory() : nullptr;
}

}  // namespace orvane
