#include "app/win32/AboutDlgWin32.h"

#include "app/console/Resource.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            // Centred over its owner, as the framework placed it.
            RECT owner{};
            RECT self{};
            HWND parent = GetParent(hWnd);
            if (parent != nullptr && GetWindowRect(parent, &owner) && GetWindowRect(hWnd, &self)) {
                const int x =
                    owner.left + ((owner.right - owner.left) - (self.right - self.left)) / 2;
                const int y =
                    owner.top + ((owner.bottom - owner.top) - (self.bottom - self.top)) / 2;
                SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(hWnd, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunAboutBox(HINSTANCE instance, HWND owner) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), owner, AboutProc, 0);
}
