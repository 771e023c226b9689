#include "app/qt/UpdaterApp.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <string>

#include "app/console/CommandLine.h"
#include "app/qt/QtUpdaterWindow.h"
#include "app/qt/Resources.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "sim/Simulation.h"

CUpdaterApp theApp;

namespace {

// For start-up measurements (ORVANE_EXIT_WHEN_SHOWN set): once the window is first exposed,
// prints "shown <ms since Run began>" on stdout and closes the window, ending the program.
class ExitWhenShown : public QObject {
public:
    ExitWhenShown(QDialog& dlg, const QElapsedTimer& sinceStart)
        : m_dlg(dlg), m_sinceStart(sinceStart) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window != nullptr && window->isExposed() &&
            !m_reported) {
            m_reported = true;
            std::printf("shown %.3f\n", static_cast<double>(m_sinceStart.nsecsElapsed()) / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, &m_dlg, &QDialog::reject);
        }
        return false;
    }

private:
    QDialog& m_dlg;
    const QElapsedTimer& m_sinceStart;
    bool m_reported = false;
};

}  // namespace

int CUpdaterApp::Run(int argc, char** argv) {
    m_argc = argc;
    m_argv = argv;
    m_exitCode = 0;
    m_sinceStart.start();
    QApplication app(m_argc, m_argv);
    QApplication::setApplicationName(QStringLiteral("orvane-updater"));
    InitConsoleResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvane/orvane-48.png")));
    InitInstance();
    return m_exitCode;
}

bool CUpdaterApp::InitInstance() {
    orvane::ConsoleOptions options;
    std::string error;
    // QApplication has taken its own options (-platform, ...) out of argc and argv by now.
    if (!orvane::ParseConsoleOptions(m_argc, m_argv, options, &error)) {
        std::fprintf(stderr,
                     "orvane-updater: %s\nusage: orvane-updater [--port DEVICE]... [--simulate]\n",
                     error.c_str());
        m_exitCode = 2;
        return false;
    }

    UpdaterDlgSetup setup;
    setup.worker = DownloadWorker;
    setup.serialPorts = options.ports;

    std::unique_ptr<orvane::sim::Simulation> simulation;
    if (options.simulate) {
        simulation = std::make_unique<orvane::sim::Simulation>();
        if (!simulation->Start(&error)) {
            std::fprintf(stderr, "orvane-updater: cannot start the simulated device: %s\n",
                         error.c_str());
            m_exitCode = 1;
            return false;
        }
        setup.serialPorts = simulation->SerialPorts();
        g_hidLink.SetBackend(simulation->HidBackend());
    }

    {
        orvane::QtUpdaterWindow dlg(std::move(setup));
        m_pMainWnd = &dlg;
        std::unique_ptr<ExitWhenShown> exitWhenShown;
        if (!qEnvironmentVariableIsEmpty("ORVANE_EXIT_WHEN_SHOWN")) {
            exitWhenShown = std::make_unique<ExitWhenShown>(dlg, m_sinceStart);
            dlg.winId();  // creates the window handle that gets the expose event
            dlg.windowHandle()->installEventFilter(exitWhenShown.get());
        }
        dlg.exec();
        m_pMainWnd = nullptr;
        // The window's destructor ends and joins a running worker.
    }
    if (simulation) {
        g_hidLink.SetBackend(nullptr);
        simulation->Stop();
    }
    return false;
}
