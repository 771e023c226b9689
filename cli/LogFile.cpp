#include "cli/LogFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace orvane::cli {

std::string FormatTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch() %
                                                                          std::chrono::seconds(1))
                        .count();
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char date[32];
    char zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    char text[48];
    std::snprintf(text, sizeof text, "%s.%03d%s", date, static_cast<int>(ms < 0 ? ms + 1000 : ms),
                  zone);
    return text;
}

LogFile::~LogFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool LogFile::Open(const std::string& path, std::string& error) {
    errno = 0;
    m_file = std::fopen(path.c_str(), "a");
    if (m_file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return false;
    }
    return true;
}

void LogFile::Append(const std::string& line) {
    if (m_file == nullptr) {
        return;
    }
    const std::string stamp = FormatTimestamp(std::chrono::system_clock::now());
    std::fprintf(m_file, "%s %s\n", stamp.c_str(), line.c_str());
    std::fflush(m_file);
}

}  // namespace orvane::cli
