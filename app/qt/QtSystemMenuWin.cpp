// The about entry in the window's own system menu, where the window system lets a program add one.
#include "app/qt/QtUpdaterWindow.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvane {

bool QtUpdaterWindow::AppendNativeSystemMenuEntry(unsigned command, const char* text) {
#ifdef Q_OS_WIN
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu == nullptr) {
        return false;
    }
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, command, text);
    return true;
#else
    (void)command;
    (void)text;
    return false;
#endif
}

bool QtUpdaterWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND &&
            m_dlg.OnSysCommand(static_cast<unsigned>(msg->wParam))) {
            *result = 0;
            return true;
        }
    }
#endif
    return QDialog::nativeEvent(eventType, message, result);
}

}  // namespace orvane
