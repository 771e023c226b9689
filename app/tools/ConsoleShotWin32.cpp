// Shows the Win32 console after a download from the simulated device over RS232 and prints
// "shown" on stdout once the last line is in; the window stays until it is closed or `seconds`
// (the first argument, default 30) have passed. scripts/take-screenshot-win32 grabs it from the
// screen under Wine:
//   cmake --build --preset windows --target orvane-console-shot-win32
//   scripts/take-screenshot-win32 build/windows/app/orvane-console-shot-win32.exe
//   docs/screenshot-win32.png
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "app/console/Resource.h"
#include "app/win32/Win32UpdaterWindow.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulation.h"

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    // The script's waits pass at once; the device still answers on its serial face.
    orvane::VirtualClock clock;
    orvane::SetClock(&clock);
    orvane::sim::Simulation sim;
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "no simulated device: %s\n", error.c_str());
        return 1;
    }
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof(dir), dir);
    const std::string script = std::string(dir) + "firmware.txt";
    {
        using orvane::sim::OrvaneDevice;
        std::vector<std::vector<uint8_t>> frames;
        for (int i = 0; i < 3 + 8; ++i) {
            frames.push_back(
                OrvaneDevice::MakeFrame(0xC7, static_cast<uint8_t>(i < 3 ? 0x20 + i : 0x13),
                                        std::vector<uint8_t>(32, static_cast<uint8_t>(i))));
        }
        std::ofstream(script, std::ios::binary) << orvane::sim::MakeScript(frames, false);
    }
    UpdaterDlgSetup setup;
    setup.chooser = [script] { return std::optional<std::string>(script); };
    setup.worker = DownloadWorker;
    setup.serialPorts = sim.SerialPorts();
    int rc = 1;
    {
        orvane::Win32UpdaterWindow window(std::move(setup));
        std::thread driver([&] {
            HWND h = nullptr;
            while ((h = window.Handle()) == nullptr || !IsWindowVisible(h)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_BTN_LOAD, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(h, IDC_BTN_LOAD)));
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
            bool shown = false;
            while (std::chrono::steady_clock::now() < end && IsWindow(h)) {
                char log[8192] = {};
                GetDlgItemTextA(h, IDC_EDT_LOG, log, sizeof(log));
                if (!shown && std::strstr(log, "Firmware Successfully Downloaded.") != nullptr &&
                    IsWindowEnabled(GetDlgItem(h, IDC_BTN_LOAD))) {
                    shown = true;
                    rc = 0;
                    std::printf("shown\n");
                    std::fflush(stdout);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (IsWindow(h)) {
                PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
            }
        });
        window.DoModal();
        driver.join();
    }
    g_serialLink.Close();
    g_hidLink.SetBackend(nullptr);
    sim.Stop();
    orvane::SetClock(nullptr);
    return rc;
}
