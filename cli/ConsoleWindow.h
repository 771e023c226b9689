#pragma once

#include <cstdio>
#include <string>

#include "download/WorkerWindow.h"

namespace orvane::cli {

// The flasher's window: each line the worker appends goes to `out` at once, without its
// "\r\n", and nothing else does. A progress line goes to `progress` when it is given (the
// caller passes stderr only when stderr is a terminal). Called on the worker's thread.
class ConsoleWindow final : public CWorkerWindow {
public:
    explicit ConsoleWindow(std::FILE* out, std::FILE* progress = nullptr);

    void LogRefresh() override;
    void OnProgress(int sent, int total) override;
    // Prints an outcome line of the link opening the same way (the log text is not touched: the
    // worker empties it when it starts).
    void PrintLine(const std::string& line);
    // Clears the progress line, if one is shown.
    void EndProgress();

    // The last line printed, without "\r\n"; empty when none.
    const std::string& LastLine() const { return m_lastLine; }

private:
    void DrawProgress();

    std::FILE* m_out;
    std::FILE* m_progress;
    std::size_t m_printed = 0;  // bytes of m_strLog already printed
    std::string m_lastLine;
    int m_sent = 0;
    int m_total = 0;
    bool m_progressShown = false;
};

}  // namespace orvane::cli
