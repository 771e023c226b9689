#pragma once

#include <cstdio>
#include <string>

#include "download/WorkerWindow.h"

namespace orvane::cli {

// Takes what a ConsoleWindow would print, in its place (--json, a station's child): each line
// without its "\r\n", and the progress. Called on the thread that prints.
class LineObserver {
public:
    virtual ~LineObserver() = default;
    virtual void OnLine(const std::string& line) = 0;
    virtual void OnFrames(int sent, int total) = 0;
};

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

    // From now on lines and progress go to `observer` (not null) instead of the terminal.
    void SetObserver(LineObserver* observer) { m_observer = observer; }

    // The last line printed, without "\r\n"; empty when none.
    const std::string& LastLine() const { return m_lastLine; }

private:
    void DrawProgress();

    LineObserver* m_observer = nullptr;
    std::FILE* m_out;
    std::FILE* m_progress;
    std::size_t m_printed = 0;  // bytes of m_strLog already printed
    std::string m_lastLine;
    int m_sent = 0;
    int m_total = 0;
    bool m_progressShown = false;
};

}  // namespace orvane::cli
