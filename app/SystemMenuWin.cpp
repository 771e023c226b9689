// The about entry in the window's system menu, where the window system lets a program add one.
#include "app/UpdaterDlg.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

bool CUpdaterDlg::AppendSystemMenuEntry() {
#ifdef Q_OS_WIN
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu == nullptr) {
        return false;
    }
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, kAboutEntry);
    return true;
#else
    return false;
#endif
}

bool CUpdaterDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
            OnAbout();
            *result = 0;
            return true;
        }
    }
#endif
    return QDialog::nativeEvent(eventType, message, result);
}
