#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "app/win32/Win32UpdaterWindow.h"

namespace win32test {

// Real time bounds the waits for the window's thread; nothing is timed by it.
constexpr auto kBound = std::chrono::seconds(30);

inline bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Drives a window from a thread of its own while the test's thread runs it modally: what an
// operator does arrives as posted messages, what the window shows is read through the window
// system. `script` runs on the driver's thread; the window is closed (IDCANCEL) after it.
inline void RunWindow(orvane::Win32UpdaterWindow& window,
                      const std::function<void(orvane::Win32UpdaterWindow&, HWND)>& script) {
    std::thread driver([&] {
        HWND hWnd = nullptr;
        if (WaitFor([&] { return (hWnd = window.Handle()) != nullptr && IsWindowVisible(hWnd); })) {
            script(window, hWnd);
            PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        }
    });
    window.DoModal();
    driver.join();
}

inline void Click(HWND hWnd, int id) {
    PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hWnd, id)));
}

inline std::string Text(HWND hWnd, int id) {
    char buffer[65536] = {};
    GetDlgItemTextA(hWnd, id, buffer, sizeof(buffer));
    return buffer;
}

// Runs `call` on the window's thread and returns its result.
template <class Call>
auto OnWindow(orvane::Win32UpdaterWindow& window, Call call) -> decltype(call()) {
    std::packaged_task<decltype(call())()> task(call);
    auto result = task.get_future();
    window.Post([&task] { task(); });
    return result.get();
}

}  // namespace win32test
