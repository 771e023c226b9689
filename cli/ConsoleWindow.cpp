#include "cli/ConsoleWindow.h"

#include "cli/Diagnostics.h"

namespace orvane::cli {

namespace {
constexpr const char* kLineEnd = "\r\n";

ConsoleSetup PlainSetup(std::FILE* out, std::FILE* progress) {
    ConsoleSetup setup;
    setup.out = out;
    setup.progress = progress;
    return setup;
}
}  // namespace

ConsoleWindow::ConsoleWindow(const ConsoleSetup& setup)
    : m_setup(setup), m_bar(setup.progress, setup.columns) {}

ConsoleWindow::ConsoleWindow(std::FILE* out, std::FILE* progress)
    : ConsoleWindow(PlainSetup(out, progress)) {}

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
    m_bar.Clear();
    std::fwrite(line.data(), 1, line.size(), m_setup.out);
    std::fputc('\n', m_setup.out);
    std::fflush(m_setup.out);
    if (m_setup.log != nullptr) {
        m_setup.log->Append(line);
    }
    m_lastLine = line;
    m_bar.Redraw();
}

void ConsoleWindow::Diagnose(const std::string& text) {
    if (m_setup.err == nullptr) {
        return;
    }
    m_bar.Clear();
    std::fprintf(m_setup.err, "orvane-flash: %s\n", text.c_str());
    std::fflush(m_setup.err);
    m_bar.Redraw();
}

void ConsoleWindow::OnProgress(int done, int total) {
    m_done = done;
    m_total = total;
    m_bar.Set(done, total);
}

void ConsoleWindow::OnLongWait(const orvane::LongWait& wait) {
    if (m_setup.verbose) {
        Diagnose(DescribeLongWait(wait));
    }
    m_bar.SetNote(std::string(WaitKindText(wait.kind)) + " (" + std::to_string(wait.ms) + " ms)");
}

void ConsoleWindow::OnExchange(const orvane::ExchangeRecord& exchange) {
    if (m_setup.verbose) {
        Diagnose(DescribeExchange(exchange));
    }
}

void ConsoleWindow::OnReadFailed(const orvane::ReadFailure& failure) {
    Diagnose(DescribeReadFailure(failure));
}

void ConsoleWindow::OnSendFailed(const orvane::SendFailure& failure) {
    Diagnose(DescribeSendFailure(failure));
}

void ConsoleWindow::EndProgress() {
    m_bar.Finish();
}

}  // namespace orvane::cli
