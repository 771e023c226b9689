// Saves a picture of the main window after a download from the simulated device over RS232.
// Run by hand, on a display or under xvfb-run: orvane-console-shot <file.png>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <cstdio>
#include <fstream>

#include "app/UpdaterDlg.h"
#include "download/DownloadWorker.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
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
        std::ofstream out(script, std::ios::binary);
        for (int i = 0; i < 3 + 8; ++i) {
            const auto frame =
                OrvaneDevice::MakeFrame(0xC7, static_cast<uint8_t>(i < 3 ? 0x20 + i : 0x13),
                                        std::vector<uint8_t>(32, static_cast<uint8_t>(i)));
            out << "SEND:";
            for (uint8_t b : frame) {
                char hex[4];
                std::snprintf(hex, sizeof(hex), " %02X", b);
                out << hex;
            }
            out << " SLEEP 100\n";
        }
        out << "END>\n";
    }

    UpdaterDlgSetup setup;
    setup.chooser = [script](QWidget*) { return std::optional<std::string>(script); };
    setup.worker = DownloadWorker;
    setup.serialPorts = sim.SerialPorts();
    int rc = 1;
    {
        CUpdaterDlg dlg(std::move(setup));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        dlg.findChild<QPushButton*>(QStringLiteral("IDC_BTN_LOAD"))->click();
        if (QTest::qWaitFor([&] { return !dlg.WorkerRunning(); }, 60000)) {
            QTest::qWait(200);
            rc = dlg.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        }
    }
    g_serialLink.Close();
    orvane::SetClock(nullptr);
    return rc;
}
