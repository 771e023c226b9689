#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// What the download worker sees of the main window: the shared window fields and the
// synchronous log refresh. The console's CUpdaterDlg and the flasher's console sink derive
// from it; tests use small fakes.
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

    // Progress of a run: `sent` script frames of the `total` that the script holds. Called by the
    // worker's thread (without m_logGuard held) once the script is accepted with sent == 0, then
    // after each frame that goes out. The default does nothing.
    virtual void OnProgress(int sent, int total) {
        (void)sent;
        (void)total;
    }
};
