#include "cli/ConsoleWindow.h"

namespace orvane::cli {

namespace {
constexpr const char* kLineEnd = "\r\n";
constexpr int kBarWidth = 30;
}  // namespace

ConsoleWindow::ConsoleWindow(std::FILE* out, std::FILE* progress)
    : m_out(out), m_progress(progress) {}

void ConsoleWindow::LogRefresh() {
    std::string fresh;
    {
        std::lock_guard<std::mutex> lock(m_logGuard);
        // The worker empties the log when it starts; from then on it only appends.
        if (m_strLog.size() < m_printed) {
            m_printed = 0;
        }
        const std::size_t end = m_strLog.rfind(kLineEnd);
        if (end == std::string::npos || end + 2 <= m_printed) {
            return;
        }
        fresh = m_strLog.substr(m_printed, end + 2 - m_printed);
        m_printed = end + 2;
    }
    std::size_t from = 0;
    for (std::size_t at = fresh.find(kLineEnd); at != std::string::npos;
         from = at + 2, at = fresh.find(kLineEnd, from)) {
        PrintLine(fresh.substr(from, at - from));
    }
}

void ConsoleWindow::PrintLine(const std::string& line) {
    if (m_observer != nullptr) {
        m_lastLine = line;
        m_observer->OnLine(line);
        return;
    }
    EndProgress();
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_lastLine = line;
    if (m_total > 0) {
        DrawProgress();
    }
}

void ConsoleWindow::OnProgress(int sent, int total) {
    if (m_observer != nullptr) {
        m_observer->OnFrames(sent, total);
        return;
    }
    m_sent = sent;
    m_total = total;
    DrawProgress();
}

void ConsoleWindow::DrawProgress() {
    if (m_progress == nullptr || m_total <= 0) {
        return;
    }
    const int sent = m_sent < 0 ? 0 : (m_sent > m_total ? m_total : m_sent);
    const int filled = static_cast<int>(static_cast<long long>(sent) * kBarWidth / m_total);
    std::fprintf(m_progress, "\r[%.*s%*s] %d/%d frames", filled, "##############################",
                 kBarWidth - filled, "", sent, m_total);
    std::fflush(m_progress);
    m_progressShown = true;
}

void ConsoleWindow::EndProgress() {
    if (m_progressShown && m_progress != nullptr) {
        std::fputs("\r\033[K", m_progress);
        std::fflush(m_progress);
        m_progressShown = false;
    }
}

}  // namespace orvane::cli
