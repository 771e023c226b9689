#include "cli/station/StatusBoard.h"

#include <algorithm>

namespace orvane::cli::station {

namespace {
constexpr std::size_t kPhaseWidth = 40;
}  // namespace

StatusBoard::StatusBoard(std::FILE* out, std::FILE* err, bool live)
    : m_out(out), m_err(err), m_live(live) {}

std::string StatusBoard::StatusText(const Status& status) {
    std::string text = status.device + "  ";
    std::string phase = status.phase.empty() ? "probing" : status.phase;
    if (phase.size() > kPhaseWidth) {
        phase = phase.substr(0, kPhaseWidth - 3) + "...";
    }
    text += phase;
    if (status.total >= 0) {
        text += "  " + std::to_string(status.sent) + "/" + std::to_string(status.total) + " frames";
    }
    if (status.waitMs > 0) {
        text += "  waiting " + std::to_string(status.waitMs) + " ms";
    }
    // A device's garbage must not move the cursor.
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return text;
}

void StatusBoard::Clear() {
    if (!m_live || m_shown == 0) {
        return;
    }
    // Up over each status line, clearing it.
    for (std::size_t i = 0; i < m_shown; ++i) {
        std::fputs("\033[1A\r\033[K", m_err);
    }
    std::fflush(m_err);
    m_shown = 0;
}

void StatusBoard::Line(const std::string& device, const std::string& line, bool diagnostic) {
    Clear();
    std::FILE* to = diagnostic ? m_err : m_out;
    std::string text = device + ": " + line;
    // A device's bytes in a line (a version text) must not end the line or move the cursor.
    for (char& c : text) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
            c = '?';
        }
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

void StatusBoard::Show(const std::vector<Status>& running) {
    if (!m_live) {
        return;
    }
    Clear();
    for (const Status& status : running) {
        const std::string text = StatusText(status) + "\n";
        std::fputs(text.c_str(), m_err);
    }
    std::fflush(m_err);
    m_shown = running.size();
}

void StatusBoard::Summary(const std::vector<Row>& rows) {
    Clear();
    std::size_t deviceWidth = 6;
    std::size_t outcomeWidth = 7;
    for (const Row& row : rows) {
        deviceWidth = std::max(deviceWidth, row.device.size());
        outcomeWidth = std::max(outcomeWidth, row.outcome.size());
    }
    const int dw = static_cast<int>(deviceWidth);
    const int ow = static_cast<int>(outcomeWidth);
    std::fprintf(m_out, "%-*s  %-*s  %s\n", dw, "Device", ow, "Outcome", "Time");
    for (const Row& row : rows) {
        std::fprintf(m_out, "%-*s  %-*s  %lld.%01lld s\n", dw, row.device.c_str(), ow,
                     row.outcome.c_str(), static_cast<long long>(row.ms / 1000),
                     static_cast<long long>((row.ms % 1000) / 100));
    }
    std::fflush(m_out);
}

}  // namespace orvane::cli::station
