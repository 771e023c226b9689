#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvane::cli::station {

// A station's human output: each line of a device prefixed with the device, and on a terminal
// one live status line per running download below them, redrawn in place. Every line is written
// whole: the status lines are taken down before any other line goes out. One thread only.
class StatusBoard {
public:
    StatusBoard(std::FILE* out, std::FILE* err, bool live);

    struct Status {
        std::string device;
        std::string phase;  // the download's last line, or "probing"
        int sent = 0;
        int total = -1;
        uint32_t waitMs = 0;  // the current wait; 0 when none
    };

    // "DEVICE: line" on `out` (log lines) or `err` (diagnostics).
    void Line(const std::string& device, const std::string& line, bool diagnostic);
    // Redraws the status lines (live only).
    void Show(const std::vector<Status>& running);
    // Takes the status lines down.
    void Clear();

    struct Row {
        std::string device;
        std::string outcome;
        int64_t ms = 0;
    };
    // The summary table on `out`: device, outcome, time.
    void Summary(const std::vector<Row>& rows);

    // One status line as Show draws it (exposed for tests).
    static std::string StatusText(const Status& status);

private:
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_live;
    std::size_t m_shown = 0;  // status lines on the screen
};

}  // namespace orvane::cli::station
