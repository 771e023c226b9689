#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "app/console/UpdaterDlg.h"
#include "app/console/WindowSystem.h"

namespace orvane {

// The main window on the Win32 dialog manager: the IDD_UPDATER_DIALOG template of the program's
// resources run with DialogBoxParam, and the window-system operations CUpdaterDlg needs. Every
// handler is CUpdaterDlg's; the dialog procedure only routes messages to them.
class Win32UpdaterWindow : public IWindowSystem {
public:
    explicit Win32UpdaterWindow(UpdaterDlgSetup setup, HINSTANCE instance = nullptr);
    ~Win32UpdaterWindow() override;
    Win32UpdaterWindow(const Win32UpdaterWindow&) = delete;
    Win32UpdaterWindow& operator=(const Win32UpdaterWindow&) = delete;

    // Runs the window modally on the calling thread (which becomes the window's thread); returns
    // IDOK or IDCANCEL, -1 when the template cannot be loaded.
    INT_PTR DoModal();

    CUpdaterDlg& Dlg() { return m_dlg; }
    // The window while DoModal runs (null otherwise).
    HWND Handle() const { return m_hWnd; }

    // IWindowSystem
    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    void ShowDlgItem(int id, bool show) override;
    void EnableDlgItem(int id, bool enable) override;
    void SetFocusDlgItem(int id) override;
    int GetCurSel(int id) override;
    void SetCurSel(int id, int index) override;
    int GetLineCount(int id) override;
    void LineScroll(int id, int lines) override;
    void SetProgress(int id, int value, int maximum) override;
    bool CreateControlFont() override;
    void SetDlgItemFont(int id) override;
    void ReleaseControlFont() override;
    void SetWindowIcon() override;
    bool AppendSystemMenuEntry(unsigned command, const char* text) override;
    std::optional<std::string> ChooseFile() override;
    void DoAboutBox() override;
    void EndDialog(int result) override;
    bool OnWindowThread() override;
    void Post(std::function<void()> call) override;
    void SendLogRefresh() override;
    void RunWhileLive(const std::function<void()>& work) override;
    void PumpEvents() override;
    void JoinWorker(WorkerThread& worker) override;

    // Private messages: the posted calls are waiting.
    static constexpr UINT WM_RUN_POSTED = WM_APP + 1;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void FillFromDialogInit();
    void Centre();
    bool PaintMinimised();
    void RunPosted();

    HINSTANCE m_hInstance;
    HWND m_hWnd = nullptr;
    DWORD m_nThreadId = 0;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HFONT m_hFont = nullptr;
    std::mutex m_postMutex;
    std::deque<std::function<void()>> m_posted;
    CUpdaterDlg m_dlg;
};

}  // namespace orvane
