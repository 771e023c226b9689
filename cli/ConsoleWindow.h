#pragma once

#include <cstdio>
#include <string>

#include "cli/LogFile.h"
#include "cli/ProgressBar.h"
#include "download/WorkerWindow.h"

namespace orvane::cli {

// Where the flasher's window sends what.
struct ConsoleSetup {
    std::FILE* out = stdout;        // the log lines, without their "\r\n"
    std::FILE* err = nullptr;       // diagnostics ("orvane-flash: ..."); null: none (--quiet)
    bool verbose = false;           // also each exchange with its timings, and the long waits
    std::FILE* progress = nullptr;  // a terminal to redraw the bar on; null: no bar
    int columns = 80;               // its width
    LogFile* log = nullptr;         // --log: each log line with its timestamp; null: none
};

// The flasher's window: each line the worker appends goes to `out` (and the log file) at once,
// and nothing else does; the worker's diagnostics go to `err`. Called on the worker's thread,
// or on the thread that runs the flasher when the worker runs there.
class ConsoleWindow final : public CWorkerWindow {
public:
    explicit ConsoleWindow(const ConsoleSetup& setup);
    explicit ConsoleWindow(std::FILE* out, std::FILE* progress = nullptr);

    void LogRefresh() override;
    void OnProgress(int done, int total) override;
    void OnLongWait(const orvane::LongWait& wait) override;
    void OnExchange(const orvane::ExchangeRecord& exchange) override;
    void OnReadFailed(const orvane::ReadFailure& failure) override;
    void OnSendFailed(const orvane::SendFailure& failure) override;

    // Prints an outcome line of the link opening the same way (the log text is not touched: the
    // worker empties it when it starts).
    void PrintLine(const std::string& line);
    // Prints "orvane-flash: <text>" on the diagnostics stream, if there is one.
    void Diagnose(const std::string& text);
    // Clears the progress bar, if one is shown.
    void EndProgress();

    // The last line printed, without "\r\n"; empty when none.
    const std::string& LastLine() const { return m_lastLine; }
    // Exchanges completed and frames in the script, as the last OnProgress said; done is -1
    // before the worker accepted a script.
    int Done() const { return m_done; }
    int Total() const { return m_total; }

private:
    ConsoleSetup m_setup;
    ProgressBar m_bar;
    std::size_t m_printed = 0;  // bytes of m_strLog already printed
    std::string m_lastLine;
    int m_done = -1;
    int m_total = 0;
};

}  // namespace orvane::cli
