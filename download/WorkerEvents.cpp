#include "download/WorkerEvents.h"

namespace orvane {

const char* WaitKindText(WaitKind kind) {
    switch (kind) {
        case WaitKind::BootloaderEntry:
            return "device restarting into its bootloader";
        case WaitKind::Erase:
            return "erasing";
        case WaitKind::Restart:
            return "device restarting";
        case WaitKind::Finish:
            return "finishing";
    }
    return "waiting";
}

}  // namespace orvane
