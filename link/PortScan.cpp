#include "link/PortScan.h"

#include <cstdint>
#include <cstdio>

#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"

namespace orvane {

namespace {
constexpr size_t kSpecBuffer = 128;
constexpr size_t kMaxPorts = 40;
}  // namespace

std::string FormatLinkSpec(const std::string& port, unsigned long baud) {
    char spec[kSpecBuffer] = {};
    // The rate goes out as a 32-bit signed number, as the operator's text was read into one.
    const auto rate = static_cast<int32_t>(static_cast<uint32_t>(baud));
    std::snprintf(spec, sizeof(spec), "%s/baud=%d/parity=N/stop=1/data=8", port.c_str(),
                  static_cast<int>(rate));
    return spec;
}

namespace {

LinkFault FaultOf(SerialOpenError error) {
    switch (error) {
        case SerialOpenError::NotFound:
            return LinkFault::NotFound;
        case SerialOpenError::PermissionDenied:
            return LinkFault::PermissionDenied;
        case SerialOpenError::Busy:
            return LinkFault::Busy;
        default:
            return LinkFault::OpenFailed;
    }
}

}  // namespace

int ScanSerialPorts(const std::vector<std::string>& ports, unsigned long baud,
                    ILinkObserver* observer) {
    ILinkObserver quiet;
    ILinkObserver& tell = observer != nullptr ? *observer : quiet;
    IClock& clock = Clock();
    const size_t count = ports.size() < kMaxPorts ? ports.size() : kMaxPorts;
    LinkAttempt attempt;
    attempt.kind = LinkKind::Rs232;
    attempt.count = count;
    for (size_t i = 0; i < count; ++i) {
        if (clock.StopRequested()) {
            return kScanStopped;
        }
        attempt.index = i;
        attempt.port = ports[i];
        attempt.systemError = 0;
        tell.OnLinkTrying(attempt);
        const std::string spec = FormatLinkSpec(ports[i], baud);
        if (g_serialLink.Open(spec.c_str()) == 0) {
            attempt.systemError = g_serialLink.LastOpenSystemError();
            tell.OnLinkFailed(attempt, FaultOf(g_serialLink.LastOpenError()));
            continue;
        }
        const bool answered = ProbeLink();
        // A stop that came during the probe wins over its answer: the caller shows no outcome.
        if (clock.StopRequested()) {
            g_serialLink.Close();
            return kScanStopped;
        }
        if (answered) {
            tell.OnLinkAnswered(attempt);
            return static_cast<int>(i);
        }
        g_serialLink.Close();
        tell.OnLinkFailed(attempt, LinkFault::NoAnswer);
    }
    return kScanNoAnswer;
}

}  // namespace orvane
