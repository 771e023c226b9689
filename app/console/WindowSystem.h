#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvane {

class WorkerThread;

// The window-system operations the main window's handlers use, so that the handlers are written
// once (CUpdaterDlg) and each window system (Qt, Win32) only implements these. Controls are named
// by their template ids (app/console/Resource.h). Unless stated otherwise every operation is
// called on the window's thread only.
class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // Controls by id. Text is in the log's form: bytes taken as Latin-1, lines ending in "\r\n".
    virtual std::string GetItemText(int id) = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual void ShowDlgItem(int id, bool show) = 0;
    virtual void EnableDlgItem(int id, bool enable) = 0;
    virtual void SetFocusDlgItem(int id) = 0;

    // The combo box: CB_GETCURSEL (the item index, -1 when none is selected or the operator has
    // typed a text that is not the selected item's) and CB_SETCURSEL.
    virtual int GetCurSel(int id) = 0;
    virtual void SetCurSel(int id, int index) = 0;

    // The log view: EM_GETLINECOUNT (lines, at least 1) and EM_LINESCROLL (scrolls down by
    // `lines`, stopping where the view allows).
    virtual int GetLineCount(int id) = 0;
    virtual void LineScroll(int id, int lines) = 0;

    // The progress bar: `value` of `maximum` (maximum >= 1).
    virtual void SetProgress(int id, int value, int maximum) = 0;

    // The control font (18 logical units, weight 400, Arial): created once, handed to a control
    // with redraw, released when the window ends. CreateControlFont returns false when the font
    // cannot be had; the controls then keep the window system's font.
    virtual bool CreateControlFont() = 0;
    virtual void SetDlgItemFont(int id) = 0;
    virtual void ReleaseControlFont() = 0;

    // The window icon, big and small, from IDR_MAINFRAME.
    virtual void SetWindowIcon() = 0;
    // Appends a separator and `text` with `command` to the end of the window's system menu.
    // Returns false, changing nothing, where the window system keeps that menu to itself.
    virtual bool AppendSystemMenuEntry(unsigned command, const char* text) = 0;

    // The open-file chooser: one file, filter "(*.txt)|*.txt|(*.*)|*.*||", modal. Returns the full
    // path, or nothing when cancelled or failed.
    virtual std::optional<std::string> ChooseFile() = 0;
    // Runs the about box modally.
    virtual void DoAboutBox() = 0;
    // Ends the modal main window with `result` (1 IDOK, 2 IDCANCEL).
    virtual void EndDialog(int result) = 0;

    // Any thread: true on the window's thread.
    virtual bool OnWindowThread() = 0;
    // Any thread: runs `call` on the window's thread later, in order; dropped once the window
    // is gone.
    virtual void Post(std::function<void()> call) = 0;
    // From another thread: sends WM_LOG_REFRESH, which the window system hands to
    // CUpdaterDlg::OnLogRefreshMessage on the window's thread. It may return before the handler
    // has run; the caller waits for the handler itself.
    virtual void SendLogRefresh() = 0;
    // The event pump: runs `work` on a thread of its own and returns when it has returned, while
    // this thread keeps the window painted and its handlers running.
    virtual void RunWhileLive(const std::function<void()>& work) = 0;
    // Any thread: one pass of the calling thread's window events, if it has any (the USB probe's
    // wait loop calls it once per turn).
    virtual void PumpEvents() = 0;
    // Waits until `worker` has returned and joins it, serving any refresh it sends meanwhile.
    virtual void JoinWorker(WorkerThread& worker) = 0;
};

}  // namespace orvane
