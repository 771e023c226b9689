#include "app/win32/Win32UpdaterWindow.h"

#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "app/console/Resource.h"
#include "app/win32/AboutDlgWin32.h"
#include "platform/EventPump.h"

namespace orvane {

namespace {

// The log and the fields hold bytes, taken as Latin-1 so that whatever a device sends comes back
// unchanged from the controls; the wide functions carry them one character per byte.
std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    std::string text(wide.size(), '\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        text[i] = wide[i] < 0x100 ? static_cast<char>(wide[i]) : '?';
    }
    return text;
}

constexpr WORD kCbAddString16 = 0x0403;  // CB_ADDSTRING as the initialisation data names it
constexpr WORD kCbAddStringAfx = 0x1234;

}  // namespace

Win32UpdaterWindow::Win32UpdaterWindow(UpdaterDlgSetup setup, HINSTANCE instance)
    : m_hInstance(instance != nullptr ? instance : GetModuleHandleA(nullptr)),
      m_dlg(*this, std::move(setup)) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    m_hIcon =
        static_cast<HICON>(LoadImageA(m_hInstance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_hSmallIcon = static_cast<HICON>(LoadImageA(m_hInstance, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
}

Win32UpdaterWindow::~Win32UpdaterWindow() {
    m_dlg.OnDestroy();
    ReleaseControlFont();
    for (HICON icon : {m_hIcon, m_hSmallIcon}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

INT_PTR Win32UpdaterWindow::DoModal() {
    m_nThreadId = GetCurrentThreadId();
    const INT_PTR result = DialogBoxParamA(m_hInstance, MAKEINTRESOURCEA(IDD_UPDATER_DIALOG),
                                           nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

INT_PTR CALLBACK Win32UpdaterWindow::DialogProc(HWND hWnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        reinterpret_cast<Win32UpdaterWindow*>(lParam)->m_hWnd = hWnd;
    }
    auto* self = reinterpret_cast<Win32UpdaterWindow*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32UpdaterWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            FillFromDialogInit();
            Centre();
            m_dlg.OnInitDialog();
            return FALSE;  // the focus is set: on Load
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            if (m_dlg.OnSysCommand(static_cast<unsigned>(wParam))) {
                SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        case WM_LOG_REFRESH:
            m_dlg.OnLogRefreshMessage();
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_RUN_POSTED:
            RunPosted();
            return TRUE;
        case WM_PAINT:
            return PaintMinimised() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hIcon);
        case WM_DESTROY:
            // The controls are still there for any refresh the worker sends while it is joined.
            m_dlg.OnDestroy();
            return FALSE;
        default:
            (void)lParam;
            return FALSE;
    }
}

void Win32UpdaterWindow::OnCommand(int id, int code) {
    switch (id) {
        case IDC_BTN_LOAD:
            if (code == BN_CLICKED) {
                m_dlg.OnButtonLoad();
            }
            break;
        case IDC_CMB_INTERFACE:
            if (code == CBN_SELCHANGE) {
                m_dlg.OnSelchangeInterface();
            }
            break;
        case IDC_BTN_TEST:
            if (code == BN_CLICKED) {
                m_dlg.OnButtonTest();
            }
            break;
        case IDC_BTN_STOP:
            if (code == BN_CLICKED) {
                m_dlg.OnButtonStop();
            }
            break;
        case IDC_EDT_LOG:
            if (code == EN_CHANGE) {
                m_dlg.OnEditChangeLog();
            }
            break;
        case IDOK:
            m_dlg.OnOK();
            break;
        case IDCANCEL:
            m_dlg.OnCancel();
            break;
        default:
            break;
    }
}

void Win32UpdaterWindow::FillFromDialogInit() {
    // What the framework does before OnInitDialog: each record is a control id, a message, a
    // byte count and that many bytes; a zero id ends the list. Every count is checked against
    // the resource's size.
    HRSRC found = FindResourceA(m_hInstance, MAKEINTRESOURCEA(IDD_UPDATER_DIALOG),
                                MAKEINTRESOURCEA(RT_DLGINIT));
    if (found == nullptr) {
        return;
    }
    HGLOBAL loaded = LoadResource(m_hInstance, found);
    const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
    const DWORD size = SizeofResource(m_hInstance, found);
    if (data == nullptr) {
        return;
    }
    DWORD at = 0;
    while (at + 2 <= size) {
        WORD id = 0;
        std::memcpy(&id, data + at, 2);
        if (id == 0 || at + 8 > size) {
            break;
        }
        WORD msg = 0;
        DWORD count = 0;
        std::memcpy(&msg, data + at + 2, 2);
        std::memcpy(&count, data + at + 4, 4);
        at += 8;
        if (count > size - at) {
            break;
        }
        if ((msg == kCbAddString16 || msg == kCbAddStringAfx) && count > 0) {
            const std::string text(reinterpret_cast<const char*>(data + at),
                                   strnlen(reinterpret_cast<const char*>(data + at), count));
            SendDlgItemMessageA(m_hWnd, id, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(text.c_str()));
        }
        at += count;
    }
}

void Win32UpdaterWindow::Centre() {
    // The template sits at 0,0: the framework centres such a window on the screen's work area.
    RECT work{};
    RECT self{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && GetWindowRect(m_hWnd, &self)) {
        const int x = work.left + ((work.right - work.left) - (self.right - self.left)) / 2;
        const int y = work.top + ((work.bottom - work.top) - (self.bottom - self.top)) / 2;
        SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

bool Win32UpdaterWindow::PaintMinimised() {
    if (!IsIconic(m_hWnd)) {
        return false;
    }
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const IconOrigin at =
        CenteredIconOrigin(client.right - client.left, client.bottom - client.top,
                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, at.x, at.y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}

std::string Win32UpdaterWindow::GetItemText(int id) {
    HWND item = GetDlgItem(m_hWnd, id);
    if (item == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(item);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(item, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(got > 0 ? got : 0));
    return Narrow(wide);
}

void Win32UpdaterWindow::SetItemText(int id, const std::string& text) {
    SetDlgItemTextW(m_hWnd, id, Widen(text).c_str());
}

void Win32UpdaterWindow::ShowDlgItem(int id, bool show) {
    ShowWindow(GetDlgItem(m_hWnd, id), show ? SW_SHOW : SW_HIDE);
}

void Win32UpdaterWindow::EnableDlgItem(int id, bool enable) {
    HWND item = GetDlgItem(m_hWnd, id);
    if (!enable && GetFocus() == item) {
        // A disabled control keeps no focus: the dialog keys would go nowhere.
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, FALSE);
    }
    EnableWindow(item, enable ? TRUE : FALSE);
}

void Win32UpdaterWindow::SetFocusDlgItem(int id) {
    SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hWnd, id)), TRUE);
}

int Win32UpdaterWindow::GetCurSel(int id) {
    return static_cast<int>(SendDlgItemMessageA(m_hWnd, id, CB_GETCURSEL, 0, 0));
}

void Win32UpdaterWindow::SetCurSel(int id, int index) {
    SendDlgItemMessageA(m_hWnd, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32UpdaterWindow::GetLineCount(int id) {
    return static_cast<int>(SendDlgItemMessageA(m_hWnd, id, EM_GETLINECOUNT, 0, 0));
}

void Win32UpdaterWindow::LineScroll(int id, int lines) {
    SendDlgItemMessageA(m_hWnd, id, EM_LINESCROLL, 0, lines);
}

void Win32UpdaterWindow::SetProgress(int id, int value, int maximum) {
    SendDlgItemMessageA(m_hWnd, id, PBM_SETRANGE32, 0, maximum);
    SendDlgItemMessageA(m_hWnd, id, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

bool Win32UpdaterWindow::CreateControlFont() {
    m_hFont =
        CreateFontA(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    return m_hFont != nullptr;
}

void Win32UpdaterWindow::SetDlgItemFont(int id) {
    SendDlgItemMessageA(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), TRUE);
}

void Win32UpdaterWindow::ReleaseControlFont() {
    if (m_hFont != nullptr) {
        DeleteObject(m_hFont);
        m_hFont = nullptr;
    }
}

void Win32UpdaterWindow::SetWindowIcon() {
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
}

bool Win32UpdaterWindow::AppendSystemMenuEntry(unsigned command, const char* text) {
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr) {
        return false;
    }
    // The entry's text comes from the string table; an empty one leaves the entry out.
    char entry[256] = {};
    if (LoadStringA(m_hInstance, IDS_ABOUTBOX, entry, sizeof(entry)) <= 0) {
        (void)text;
        return false;
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command, entry);
    return true;
}

std::optional<std::string> Win32UpdaterWindow::ChooseFile() {
    // Open mode, no default extension, no initial name, no option flags: a typed name of a
    // missing file is accepted and the worker reports it.
    std::vector<char> path(32768, '\0');
    static const char kFilter[] = "(*.txt)\0*.txt\0(*.*)\0*.*\0";
    OPENFILENAMEA chooser{};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = m_hWnd;
    chooser.lpstrFilter = kFilter;
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = path.data();
    chooser.nMaxFile = static_cast<DWORD>(path.size());
    chooser.Flags = OFN_EXPLORER;
    if (!GetOpenFileNameA(&chooser)) {
        return std::nullopt;
    }
    return std::string(path.data());
}

void Win32UpdaterWindow::DoAboutBox() {
    RunAboutBox(m_hInstance, m_hWnd);
}

void Win32UpdaterWindow::EndDialog(int result) {
    ::EndDialog(m_hWnd, result);
}

bool Win32UpdaterWindow::OnWindowThread() {
    return GetCurrentThreadId() == m_nThreadId;
}

void Win32UpdaterWindow::Post(std::function<void()> call) {
    {
        std::lock_guard lock(m_postMutex);
        m_posted.push_back(std::move(call));
    }
    HWND window = m_hWnd;
    if (window != nullptr) {
        PostMessageA(window, WM_RUN_POSTED, 0, 0);
    }
}

void Win32UpdaterWindow::RunPosted() {
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(m_postMutex);
            if (m_posted.empty()) {
                return;
            }
            call = std::move(m_posted.front());
            m_posted.pop_front();
        }
        call();
    }
}

void Win32UpdaterWindow::SendLogRefresh() {
    // Synchronous: the window's thread handles it in its message loop (or in JoinWorker) and the
    // call returns after that; to a window that is gone it returns at once.
    SendMessageA(m_hWnd, WM_LOG_REFRESH, 0, 0);
}

void Win32UpdaterWindow::RunWhileLive(const std::function<void()>& work) {
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> finished{false};
    std::thread helper([&] {
        work();
        finished = true;
        SetEvent(done);
    });
    // A message loop of its own, with the dialog keys, until the work has returned.
    while (!finished) {
        MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT);
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (m_hWnd == nullptr || !IsDialogMessageA(m_hWnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    helper.join();
    CloseHandle(done);
}

void Win32UpdaterWindow::PumpEvents() {
    PumpWindowMessage();
}

void Win32UpdaterWindow::JoinWorker(WorkerThread& worker) {
    // The worker may be inside SendMessage: serve sent messages (only those) until it returns.
    while (worker.Running()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.Join();
}

}  // namespace orvane
