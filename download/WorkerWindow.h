#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "download/WorkerEvents.h"

// What the download worker sees of the main window: the shared window fields and the
// synchronous log refresh. The console's CUpdaterDlg and the flasher's console sink derive
// from it; tests use small fakes.
//
// Beside the log the worker reports diagnostics through the On... calls below. All of them are
// called on the worker's thread, without m_logGuard held, and never after a stop request was
// seen; each has a default that does nothing. A handler must not block for long: the run waits
// for it.
class CWorkerWindow {
public:
    virtual ~CWorkerWindow() = default;

    std::string m_strFilePath;  // full path of the script, written by Load
    uint32_t m_nVid = 0;        // USB ids, written by Load, read by the USB exchange
    uint32_t m_nPid = 0;
    std::string m_strLog;  // lines, each ending in "\r\n"; guarded by m_logGuard
    std::mutex m_logGuard;

    // WM_LOG_REFRESH: shows m_strLog and scrolls the view to its last line. Synchronous: returns
    // only once the view has been refreshed (or the window is gone). Called by the worker's
    // thread after each appended line, without m_logGuard held.
    virtual void LogRefresh() = 0;

    // Progress of a run: `done` completed exchanges of the `total` frames the script holds. Called
    // once the script is accepted with done == 0, then after each exchange whose reply was read
    // and passed (frame 1: after its wait or poll), just before the run moves on. A frame that was
    // written but whose exchange failed or was stopped is not counted.
    virtual void OnProgress(int done, int total) {
        (void)done;
        (void)total;
    }
    // A long wait begins (see orvane::WaitKind); the next OnProgress or end line follows it.
    virtual void OnLongWait(const orvane::LongWait& wait) { (void)wait; }
    // One script frame's exchange ended: its reply has been read, before it is checked.
    virtual void OnExchange(const orvane::ExchangeRecord& exchange) { (void)exchange; }
    // The run ended with "Read file fail."; called right after that line was appended.
    virtual void OnReadFailed(const orvane::ReadFailure& failure) { (void)failure; }
    // The run ended with "Send command fail."; called right after that line was appended.
    virtual void OnSendFailed(const orvane::SendFailure& failure) { (void)failure; }
};
