#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/console/WindowSystem.h"
#include "app/console/WorkerThread.h"
#include "download/WorkerWindow.h"

// What the main window takes from outside: the file chooser (empty: the window system's), the
// worker's thread function and the serial ports that Load's RS232 scan tries (empty: the
// platform's candidates).
struct UpdaterDlgSetup {
    std::function<std::optional<std::string>()> chooser;
    orvane::WorkerThread::Function worker = nullptr;
    std::vector<std::string> serialPorts;
};

// The main window's behaviour, free of any toolkit: every handler of the window, written against
// orvane::IWindowSystem. A window system builds the controls from the template, then calls
// OnInitDialog, routes each message to its handler and calls OnDestroy before it goes.
// Handlers run on the window's thread; LogRefresh and OnProgress are called by the worker.
class CUpdaterDlg : public CWorkerWindow {
public:
    static const char* const kAboutEntry;  // "&About Orvane Bootloader..."

    CUpdaterDlg(orvane::IWindowSystem& ws, UpdaterDlgSetup setup);
    ~CUpdaterDlg() override;
    CUpdaterDlg(const CUpdaterDlg&) = delete;
    CUpdaterDlg& operator=(const CUpdaterDlg&) = delete;

    // Data exchange: TRUE loads the controls into the members, FALSE stores the members into
    // the controls. All four bound strings every time.
    bool UpdateData(bool bSaveAndValidate);

    void OnInitDialog();
    void OnSelchangeInterface();
    void OnButtonLoad();
    void OnButtonStop();
    void OnButtonTest();
    // WM_LOG_REFRESH on the window's thread.
    void OnLogRefresh();
    // WM_LOG_REFRESH as the window system delivers it: OnLogRefresh, then the sender waiting in
    // LogRefresh is released.
    void OnLogRefreshMessage();
    // EN_CHANGE of the log view: the operator (or anyone but this class) changed its text.
    void OnEditChangeLog();
    // WM_SYSCOMMAND; returns false when the window system's default processing should run.
    bool OnSysCommand(unsigned nID);
    // IDOK (Enter in a field: the window has no OK button) and IDCANCEL (Escape, the close box,
    // the system menu's Close).
    void OnOK();
    void OnCancel();
    // Ends and joins a running worker and removes the event pump. Call once, before the window
    // system's controls go; the destructor does it too.
    void OnDestroy();

    // CWorkerWindow: from the worker's thread, sends the refresh and waits until the view shows
    // it; returns at once once the worker was told to stop or the window is going. From the
    // window's thread it refreshes directly.
    void LogRefresh() override;
    // CWorkerWindow: from the worker's thread; updates the progress bar without waiting.
    void OnProgress(int sent, int total) override;

    // The interface combo box's selection as Load reads it (CB_GETCURSEL).
    int CurrentInterfaceIndex();
    // True while a worker started by Load has not yet returned.
    bool WorkerRunning() const;
    // True while Load is choosing, searching or probing.
    bool Loading() const { return m_bLoading; }
    // The worker's thread object (null before the first successful Load).
    orvane::WorkerThread* WorkerThread() const { return m_pWorkerThread.get(); }

    // The bound strings (the log lives in CWorkerWindow).
    std::string m_strBaud;
    std::string m_strPid;
    std::string m_strVid;

private:
    friend int SelectFile(CUpdaterDlg* pWindow, std::string& strPath);

    void EndRunningWorker();
    void ReleaseRefresh();
    bool RefreshPending();
    void WaitForStoppedWorker();
    void ShowOutcome(const char* line);
    void StartWorker();
    bool ScanSerialPorts(uint32_t baud);
    bool OpenAndProbeUsb(uint32_t vid, uint32_t pid);
    void SetLoadBusy(bool busy);
    void UpdateLoadButton();
    void StoreLogIntoView(const std::string& log);
    std::optional<std::string> RunChooser();

    orvane::IWindowSystem& m_ws;
    UpdaterDlgSetup m_setup;
    std::unique_ptr<orvane::WorkerThread> m_pWorkerThread;
    bool m_bFont = false;
    bool m_bDestroyed = false;

    // The text last stored into the log view, and whether the operator has edited the view
    // since; lets a load from the view keep lines the worker appended but that are not yet shown.
    std::string m_strShownLog;
    bool m_bLogEdited = false;
    bool m_bStoringLog = false;

    bool m_bLoading = false;
    bool m_bClosing = false;

    // The refresh hand-over with the worker's thread.
    std::mutex m_refreshMutex;
    std::condition_variable m_refreshDone;
    uint64_t m_nRefreshPosted = 0;
    uint64_t m_nRefreshShown = 0;
    bool m_bRefreshReleased = false;
};

// Where OnPaint draws the icon of a minimised window: centred in the client area, each
// coordinate a signed division that truncates toward zero.
struct IconOrigin {
    int x;
    int y;
};
IconOrigin CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
