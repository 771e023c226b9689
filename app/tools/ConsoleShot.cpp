// Saves a picture of the main window, title bar and frame included, after a download from the
// simulated device over RS232. The frame is drawn by the window manager, so the picture is taken
// from the screen: run it on an X display with a window manager. scripts/take-screenshot does so
// under Xvfb with openbox:
//   cmake --build build/dev --target orvane-console-shot
//   scripts/take-screenshot build/dev/app/orvane-console-shot docs/screenshot.png
#include <QtCore/QTemporaryDir>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <cstdio>
#include <fstream>

#include "app/qt/QtUpdaterWindow.h"
#include "download/DownloadWorker.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulation.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
        return 2;
    }
    // The script's waits pass at once; the device still answers over its pseudo-terminal.
    orvane::VirtualClock clock;
    orvane::SetClock(&clock);
    orvane::sim::Simulation sim;
    if (!sim.Start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    QTemporaryDir dir;
    const std::string script = dir.filePath(QStringLiteral("firmware.txt")).toStdString();
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
    setup.chooser = [script]() { return std::optional<std::string>(script); };
    setup.worker = DownloadWorker;
    setup.serialPorts = sim.SerialPorts();
    int rc = 1;
    {
        orvane::QtUpdaterWindow dlg(std::move(setup));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        dlg.findChild<QPushButton*>(QStringLiteral("IDC_BTN_LOAD"))->click();
        if (!QTest::qWaitFor([&] { return !dlg.Dlg().WorkerRunning(); }, 60000)) {
            std::fprintf(stderr, "the download did not end\n");
        } else if (!QTest::qWaitFor([&] { return dlg.frameGeometry() != dlg.geometry(); }, 5000)) {
            std::fprintf(stderr, "no window manager framed the window\n");
        } else {
            QTest::qWait(500);  // the frame and the last refresh are painted
            const QRect frame = dlg.frameGeometry();
            const QPixmap shot =
                dlg.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
            rc = shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        }
    }
    g_serialLink.Close();
    orvane::SetClock(nullptr);
    return rc;
}
