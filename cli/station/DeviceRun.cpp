#include "cli/station/DeviceRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/station/Json.h"
#include "cli/station/Sha256.h"
#include "download/Script.h"

namespace orvane::cli::station {

namespace {

constexpr const char* kVersionPrefix = "BL Version:";

// A device path as part of a file name: letters, digits, '.', '-' and '_' kept, the rest '_'.
std::string FileNamePart(const std::string& device) {
    std::string part;
    for (char c : device) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        part += keep ? c : '_';
    }
    while (!part.empty() && part.front() == '_') {
        part.erase(part.begin());
    }
    return part.substr(0, 80);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ScriptInfo DescribeScript(const std::string& path) {
    ScriptInfo info;
    info.path = path;
    if (!Sha256OfFile(path, info.sha256, &info.size)) {
        info.sha256.clear();
    }
    ScriptCheck check;
    if (CheckScriptFile(path, check) && check.Accepted()) {
        info.frames = static_cast<int64_t>(check.frames);
    }
    return info;
}

void DeviceRun::AddLine(const std::string& line) {
    lines.push_back(line);
    if (line.rfind(kVersionPrefix, 0) == 0) {
        bootloaderVersion = line.substr(std::strlen(kVersionPrefix));
        haveBootloaderVersion = true;
    }
}

const char* OutcomeOf(int exitStatus) {
    switch (exitStatus) {
        case 0:
            return "downloaded";
        case 1:
            return "failed";
        case 2:
            return "no answer";
        case 3:
            return "script refused";
        case 64:
            return "usage";
        case 130:
        case 143:
            return "stopped";
        default:
            return "crashed";
    }
}

std::string ReasonOf(const DeviceRun& run, int status, int signal) {
    switch (status) {
        case 0:
            return {};
        case 1:
            // `sent` counts the exchanges that passed: the refused one is the next.
            return "\"Send command fail.\" at frame " + std::to_string(run.sent + 1) +
                   (run.total >= 0 ? " of " + std::to_string(run.total) : "");
        case 130:
        case 143:
            return signal != 0 ? "stopped by signal " + std::to_string(signal) : run.reason;
        default:
            break;
    }
    if (!run.reason.empty()) {
        return run.reason;
    }
    if (status == 2) {
        return "no answer to the probe";
    }
    return status > 128 ? "ended by signal " + std::to_string(status - 128)
                        : "ended with status " + std::to_string(status);
}

std::string UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms.count() % 1000));
    return text;
}

std::string RecordJson(const DeviceRun& run, const ScriptInfo& script, const std::string& tool) {
    JsonObject scriptJson;
    scriptJson.Add("path", script.path).Add("size", static_cast<int64_t>(script.size));
    if (script.sha256.empty()) {
        scriptJson.AddNull("sha256");
    } else {
        scriptJson.Add("sha256", script.sha256);
    }
    JsonObject device;
    device.Add("path", run.device);
    if (run.serialNumber.empty()) {
        device.AddNull("serial_number");
    } else {
        device.Add("serial_number", run.serialNumber);
    }
    if (run.portPath.empty()) {
        device.AddNull("port_path");
    } else {
        device.Add("port_path", run.portPath);
    }
    JsonObject frames;
    const int64_t total = run.total >= 0 ? run.total : script.frames;
    if (total >= 0) {
        frames.Add("script", total);
    } else {
        frames.AddNull("script");
    }
    frames.Add("sent", run.sent);

    JsonObject record;
    record.Add("record", "orvane-flash download").Add("tool", tool);
    record.Add("start", run.startUtc).Add("end", run.endUtc);
    record.AddRaw("script", scriptJson.Text()).AddRaw("frames", frames.Text());
    record.Add("interface", run.interfaceKind).AddRaw("device", device.Text());
    if (run.haveBootloaderVersion) {
        record.Add("bootloader_version", run.bootloaderVersion);
    } else {
        record.AddNull("bootloader_version");
    }
    record.Add("outcome", OutcomeOf(run.exitStatus)).Add("exit", run.exitStatus);
    if (run.reason.empty()) {
        record.AddNull("reason");
    } else {
        record.Add("reason", run.reason);
    }
    record.AddSeconds("seconds", run.endMs - run.startMs);
    record.AddStrings("log", run.lines);
    return record.Text();
}

bool CheckRecordDir(const std::string& dir, std::string& error) {
    struct stat info {};
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "--record: not a directory: " + dir;
        return false;
    }
    std::string probe = dir + "/.orvane-record-check-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        error = "--record: cannot write in " + dir + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

std::string WriteRecord(const std::string& dir, const DeviceRun& run, const std::string& text,
                        std::string& error) {
    static std::atomic<unsigned> serial{0};
    std::string stamp;
    for (char c : run.startUtc) {
        if (c != '-' && c != ':') {
            stamp += c;
        }
    }
    const std::string name = stamp + "-" + FileNamePart(run.device) + "-" +
                             std::to_string(getpid()) + "-" + std::to_string(++serial) + ".json";
    const std::string path = dir + "/" + name;
    std::string temp = dir + "/.tmp-" + name + "-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a record in " + dir + ": " + std::strerror(errno);
        return {};
    }
#if defined(_WIN32)
    const bool written = WriteAll(fd, text + "\n") && _commit(fd) == 0;
#else
    const bool written = WriteAll(fd, text + "\n") && fsync(fd) == 0;
#endif
    const int saved = errno;
    close(fd);
    if (!written || rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write record " + path + ": " + std::strerror(written ? errno : saved);
        unlink(temp.c_str());
        return {};
    }
    return path;
}

}  // namespace orvane::cli::station
