#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::cli::station {

// What is known of the script every download of a run plays.
struct ScriptInfo {
    std::string path;
    uint64_t size = 0;
    std::string sha256;   // 64 hex digits; empty when the file cannot be read
    int64_t frames = -1;  // frame blocks the check counts; -1 when not known
};

// Reads `path` for its ScriptInfo (size, SHA-256 and the frames its check counts).
ScriptInfo DescribeScript(const std::string& path);

// One device's download as a station or a single run follows it.
struct DeviceRun {
    std::string device;         // the port or HID path as given or found
    std::string interfaceKind;  // "rs232" or "usb"
    std::string serialNumber;   // USB, when known
    std::string portPath;       // USB, when known
    std::string startUtc;       // ISO 8601, UTC, milliseconds
    std::string endUtc;
    int64_t startMs = 0;  // on the station's clock (ms since it started)
    int64_t endMs = 0;
    std::vector<std::string> lines;  // every log line, without "\r\n", in order
    int sent = 0;                    // exchanges that passed (the progress count)
    int total = -1;                  // frames in the script, once the worker accepted it
    std::string bootloaderVersion;   // from the "BL Version:" line; empty when not read
    bool haveBootloaderVersion = false;
    int exitStatus = -1;
    std::string reason;  // the last diagnostic line, for a run that did not download

    // Takes one log line: keeps it, and the bootloader version when the line carries one.
    void AddLine(const std::string& line);
};

// The outcome word of a single-device exit status: "downloaded", "failed", "no answer",
// "script refused", "usage", "stopped", "crashed" (anything else).
const char* OutcomeOf(int exitStatus);

// Why a download did not end in "Firmware Successfully Downloaded." (exit `status`; `signal`
// is the stop signal, 0 when none): the frame of a "Send command fail.", or run.reason (the last
// diagnostic). Empty for a download.
std::string ReasonOf(const DeviceRun& run, int status, int signal);

// The current time, UTC, as "2026-12-10T12:06:40.123Z".
std::string UtcNow();

// The audit record of `run` as one JSON object (keys in docs/json-lines.md).
std::string RecordJson(const DeviceRun& run, const ScriptInfo& script, const std::string& tool);

// Checks that `dir` is a directory this process can create files in, by creating one and
// removing it. False with a reason otherwise.
bool CheckRecordDir(const std::string& dir, std::string& error);

// Writes `text` into `dir` under a name made of the run's start time, its device and `serial`
// (unique per process), through a temporary file renamed into place, so that no reader ever sees
// a partial record. Returns the path, or an empty string (with a reason in `error`).
std::string WriteRecord(const std::string& dir, const DeviceRun& run, const std::string& text,
                        std::string& error);

}  // namespace orvane::cli::station
