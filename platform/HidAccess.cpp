#include "platform/HidAccess.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orvane {

bool HidPathAccessible(const std::string& path) {
    if (path.empty()) {
        return false;
    }
#if defined(_WIN32)
    return _access(path.c_str(), 6) == 0;
#else
    return access(path.c_str(), R_OK | W_OK) == 0;
#endif
}

}  // namespace orvane
