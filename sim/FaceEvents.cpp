#include "sim/FaceEvents.h"

#include <fcntl.h>
#include <unistd.h>

#include "sim/OrvaneDevice.h"

namespace orvane::sim {

void LogEvent(std::FILE* log, const OrvaneDevice& device, const std::string& event) {
    if (log == nullptr) {
        return;
    }
    std::fprintf(log, "%8u ms  %s\n", device.NowMs(), event.c_str());
    std::fflush(log);
}

bool WriteSysfs(const std::string& path, const std::string& text) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const ssize_t n = write(fd, text.data(), text.size());
    close(fd);
    return n == static_cast<ssize_t>(text.size());
}

std::string ReadSysfsLine(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    close(fd);
    std::string line(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    const std::size_t end = line.find('\n');
    return end == std::string::npos ? line : line.substr(0, end);
}

}  // namespace orvane::sim
