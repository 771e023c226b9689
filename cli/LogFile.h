#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace orvane::cli {

// "2026-12-10T14:03:07.250+0100": local time with milliseconds and the offset from UTC.
std::string FormatTimestamp(std::chrono::system_clock::time_point when);

// --log FILE: the log lines, each after its timestamp and a space, appended to a file that is
// kept open for the run and flushed after every line. Used by one thread at a time.
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens `path` for appending (creating it). False, with the system's reason in `error`,
    // when it cannot be opened.
    bool Open(const std::string& path, std::string& error);
    // Appends one line (given without its line end). Does nothing when no file is open.
    void Append(const std::string& line);
    bool IsOpen() const { return m_file != nullptr; }

private:
    std::FILE* m_file = nullptr;
};

}  // namespace orvane::cli
