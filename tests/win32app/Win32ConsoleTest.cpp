// The Win32 console: its window, Load with an injected chooser, a simulated download, Stop, the
// dialog keys, the about box from the system menu, the refresh and the USB probe.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "Win32Driver.h"
#include "app/console/Resource.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulation.h"

namespace win32test {
namespace {

using orvane::Win32UpdaterWindow;

class NoHidDevices : public orvane::IHidBackend {
public:
    std::vector<orvane::HidDeviceInfo> Enumerate() override { return {}; }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override { return nullptr; }
};

class Win32ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::SetClock(&clock);
        g_hidLink.SetBackend(&noHid);
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
    }
    void TearDown() override {
        g_serialLink.Close();
        g_hidLink.SetBackend(nullptr);
        sim.Stop();
        orvane::SetClock(nullptr);
    }

    // An RS232 script of the three fixed frames and `packages` firmware packages.
    std::string WriteScript(int packages) {
        using orvane::sim::OrvaneDevice;
        std::vector<std::vector<uint8_t>> frames = {OrvaneDevice::MakeFrame(0xC7, 0x20),
                                                    OrvaneDevice::MakeFrame(0xC7, 0x21),
                                                    OrvaneDevice::MakeFrame(0xC7, 0x22)};
        for (int i = 0; i < packages; ++i) {
            frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x13, {static_cast<uint8_t>(i), 0xAA}));
        }
        char dir[MAX_PATH] = {};
        GetTempPathA(sizeof(dir), dir);
        const std::string path = std::string(dir) + "orvane-win32-test.txt";
        std::ofstream(path, std::ios::binary) << orvane::sim::MakeScript(frames, false);
        return path;
    }

    UpdaterDlgSetup Setup(std::string script, orvane::WorkerThread::Function worker) {
        UpdaterDlgSetup setup;
        setup.chooser = [this, script] {
            ++chooserRuns;
            return script.empty() ? std::nullopt : std::optional<std::string>(script);
        };
        setup.worker = worker;
        setup.serialPorts = sim.SerialPorts();
        return setup;
    }

    orvane::VirtualClock clock;
    NoHidDevices noHid;
    orvane::sim::Simulation sim;
    std::atomic<int> chooserRuns{0};
};

TEST_F(Win32ConsoleTest, TheWindowComesFromItsTemplateWithTheAboutEntryOnTheSystemMenu) {
    Win32UpdaterWindow window(Setup("", nullptr));
    RunWindow(window, [&](Win32UpdaterWindow&, HWND h) {
        char title[128] = {};
        GetWindowTextA(h, title, sizeof(title));
        EXPECT_STREQ(title, "Orvane Firmware Update Software V1.04");
        HWND combo = GetDlgItem(h, IDC_CMB_INTERFACE);
        ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
        char item[16] = {};
        SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, "RS232");
        SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, "USB");
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(Text(h, IDC_EDT_BAUD), "19200");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(h, IDC_EDT_BAUD)));
        for (int hidden : {IDC_EDT_VID, IDC_EDT_PID, IDC_LBL_VID, IDC_LBL_PID, IDC_BTN_TEST}) {
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(h, hidden))) << hidden;
        }
        EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
        EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

        HMENU menu = GetSystemMenu(h, FALSE);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(GetMenuItemID(menu, count - 1), 0x0010U);
        char entry[64] = {};
        GetMenuStringA(menu, count - 1, entry, sizeof(entry), MF_BYPOSITION);
        EXPECT_STREQ(entry, "&About Orvane Bootloader...");
        MENUITEMINFOA separator{};
        separator.cbSize = sizeof(separator);
        separator.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, static_cast<UINT>(count - 2), TRUE, &separator);
        EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
        EXPECT_NE(SendMessageA(h, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageA(h, WM_QUERYDRAGICON, 0, 0), 0);
    });
}

TEST_F(Win32ConsoleTest, TheAboutBoxOpensFromTheSystemMenuAndOkClosesIt) {
    Win32UpdaterWindow window(Setup("", nullptr));
    RunWindow(window, [&](Win32UpdaterWindow&, HWND h) {
        PostMessageA(h, WM_SYSCOMMAND, 0x0010, 0);
        HWND about = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            about = FindWindowA(nullptr, "About Orvane Bootloader");
            return about != nullptr && IsWindowVisible(about);
        }));
        EXPECT_EQ(GetWindow(about, GW_OWNER), h);
        EXPECT_FALSE(IsWindowEnabled(h));  // modal
        char text[64] = {};
        GetDlgItemTextA(about, IDOK, text, sizeof(text));
        EXPECT_STREQ(text, "OK");
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(h); }));
    });
}

TEST_F(Win32ConsoleTest, LoadWithTheChooserDownloadsTheScriptAndEnterKeepsTheWindow) {
    Win32UpdaterWindow window(Setup(WriteScript(2), DownloadWorker));
    RunWindow(window, [&](Win32UpdaterWindow& w, HWND h) {
        // Enter in a field reaches the dialog as IDOK and ends nothing.
        PostMessageA(GetDlgItem(h, IDC_EDT_BAUD), WM_KEYDOWN, VK_RETURN, 0);
        Click(h, IDC_BTN_LOAD);
        ASSERT_TRUE(WaitFor([&] {
            return Text(h, IDC_EDT_LOG).find("Firmware Successfully Downloaded.") !=
                   std::string::npos;
        })) << Text(h, IDC_EDT_LOG);
        EXPECT_EQ(Text(h, IDC_EDT_LOG),
                  "Start bootloader.\r\nStart send bootloader command.\r\n"
                  "Loading firmware ... Package 1\r\nLoading firmware ... Package 2\r\n"
                  "Firmware Successfully Downloaded.\r\n");
        EXPECT_EQ(chooserRuns, 1);
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(h, IDC_BTN_LOAD)) != 0; }));
        EXPECT_TRUE(IsWindowVisible(h));
        EXPECT_EQ(OnWindow(w, [&] { return w.Dlg().WorkerRunning(); }), false);
    });
}

TEST_F(Win32ConsoleTest, TheRefreshScrollsToTheLastLine) {
    Win32UpdaterWindow window(Setup("", nullptr));
    RunWindow(window, [&](Win32UpdaterWindow& w, HWND h) {
        std::string log;
        for (int i = 1; i <= 300; ++i) {
            log += "Loading firmware ... Package " + std::to_string(i) + "\r\n";
        }
        {
            std::lock_guard guard(w.Dlg().m_logGuard);
            w.Dlg().m_strLog = log;
        }
        w.Dlg().LogRefresh();  // from this thread: WM_LOG_REFRESH, sent
        EXPECT_EQ(Text(h, IDC_EDT_LOG), log);
        HWND edit = GetDlgItem(h, IDC_EDT_LOG);
        const auto first = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
        EXPECT_GT(first, 250);
        // The last line's first character lies inside the view.
        const auto lastLine = SendMessageA(edit, EM_LINEINDEX, 299, 0);
        const auto pos = SendMessageA(edit, EM_POSFROMCHAR, static_cast<WPARAM>(lastLine), 0);
        RECT view{};
        SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
        const int y = static_cast<short>(HIWORD(pos));
        EXPECT_GE(y, view.top);
        EXPECT_LT(y, view.bottom);
    });
}

// Holds the worker in its first wait after "Package 1" until released.
struct Hold {
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
};

TEST_F(Win32ConsoleTest, StopAndEscapeDuringADownloadAddNoLine) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Stop");
        Hold hold;
        Win32UpdaterWindow window(Setup(WriteScript(4), DownloadWorker));
        clock.SetOnSleep([&](uint32_t) {
            bool package1 = false;
            {
                std::lock_guard guard(window.Dlg().m_logGuard);
                package1 = window.Dlg().m_strLog.find("Package 1\r\n") != std::string::npos;
            }
            if (package1 && !hold.held.exchange(true)) {
                while (!hold.release) {
                    std::this_thread::yield();
                }
            }
        });
        std::string logAtStop;
        RunWindow(window, [&](Win32UpdaterWindow& w, HWND h) {
            Click(h, IDC_BTN_LOAD);
            ASSERT_TRUE(WaitFor([&] { return hold.held.load(); }));
            if (escape) {
                PostMessageA(GetDlgItem(h, IDC_EDT_BAUD), WM_KEYDOWN, VK_ESCAPE, 0);
                ASSERT_TRUE(WaitFor([&] { return !IsWindow(h) || !IsWindowVisible(h); }));
            } else {
                Click(h, IDC_BTN_STOP);
                ASSERT_TRUE(
                    WaitFor([&] { return IsWindowEnabled(GetDlgItem(h, IDC_BTN_LOAD)) != 0; }));
            }
            logAtStop = [&] {
                std::lock_guard guard(w.Dlg().m_logGuard);
                return w.Dlg().m_strLog;
            }();
            hold.release = true;
            if (!escape) {
                EXPECT_TRUE(
                    WaitFor([&] { return !OnWindow(w, [&] { return w.Dlg().WorkerRunning(); }); }));
                EXPECT_EQ(Text(h, IDC_EDT_LOG).find("Package 2"), std::string::npos);
            }
        });
        hold.release = true;
        clock.SetOnSleep({});
        EXPECT_TRUE(logAtStop.ends_with("Loading firmware ... Package 1\r\n")) << logAtStop;
        std::lock_guard guard(window.Dlg().m_logGuard);
        EXPECT_EQ(window.Dlg().m_strLog, logAtStop);
    }
}

TEST_F(Win32ConsoleTest, TheWindowAnswersWhileTheUsbProbeWaitsAndStopEndsIt) {
    Win32UpdaterWindow window(Setup(WriteScript(1), nullptr));
    std::atomic<bool> probing{false};
    clock.SetOnSleep([&](uint32_t ms) {
        if (ms == 500) {
            probing = true;
            while (!orvane::Clock().StopRequested()) {
                std::this_thread::yield();
            }
        }
    });
    RunWindow(window, [&](Win32UpdaterWindow&, HWND h) {
        SendMessageA(GetDlgItem(h, IDC_CMB_INTERFACE), CB_SETCURSEL, 1, 0);
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_CMB_INTERFACE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(h, IDC_CMB_INTERFACE)));
        Click(h, IDC_BTN_LOAD);
        ASSERT_TRUE(WaitFor([&] { return probing.load(); }));
        // The window's thread answers messages while the probe waits.
        char text[16] = {};
        DWORD_PTR result = 0;
        EXPECT_NE(
            SendMessageTimeoutA(GetDlgItem(h, IDC_EDT_VID), WM_GETTEXT, sizeof(text),
                                reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &result),
            0);
        EXPECT_STREQ(text, "0x0ACD");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDC_BTN_LOAD)));
        Click(h, IDC_BTN_STOP);
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(h, IDC_BTN_LOAD)) != 0; }));
        EXPECT_EQ(Text(h, IDC_EDT_LOG), "");  // no outcome line
    });
    clock.SetOnSleep({});
}

}  // namespace
}  // namespace win32test
