#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "cli/ConsoleWindow.h"
#include "cli/Options.h"
#include "cli/station/DeviceRun.h"
#include "cli/station/Json.h"
#include "cli/station/WaitReportingClock.h"
#include "platform/HidBackend.h"

namespace orvane::cli::station {

// The station's part of a one-device run: --json events on `out` (log, progress, wait, result,
// summary), the --record audit record, and the pinning of g_hidLink to --pin-*. Begin before
// RunFlash, Finish after it, both on the thread that runs it; the waits are reported from the
// worker's thread.
class SingleRun final : public LineObserver {
public:
    SingleRun(const Options& options, std::string tool, IHidBackend& hid, std::FILE* out,
              std::FILE* err);
    ~SingleRun() override;
    SingleRun(const SingleRun&) = delete;
    SingleRun& operator=(const SingleRun&) = delete;

    // True when `options` ask for anything of this class.
    static bool Wanted(const Options& options);

    void Begin(ConsoleWindow& window);
    // Emits the result and the summary, writes the record; returns `status`.
    int Finish(int status);

    void OnLine(const std::string& line) override;
    void OnFrames(int sent, int total) override;

private:
    int64_t NowMs() const;
    void LearnDevice();
    // Adds "event", "time" and "device" in front of `rest`'s keys and prints the line.
    void Emit(const char* event, const JsonObject& rest);

    const Options& m_options;
    std::string m_tool;
    IHidBackend& m_hid;
    std::FILE* m_out;
    std::FILE* m_err;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::mutex m_emitGuard;  // the worker's waits and the main thread's lines share `out`
    DeviceRun m_run;
    std::unique_ptr<WaitReportingClock> m_clock;
};

}  // namespace orvane::cli::station
