#include "app/qt/UpdaterApp.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/console/ConsoleStart.h"
#include "app/qt/QtUpdaterWindow.h"
#include "app/qt/Resources.h"
#include "download/DownloadWorker.h"

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

namespace {

// Qt ends the program with an abort when it finds no display to connect to; the operator gets one
// line instead. A -platform option or QT_QPA_PLATFORM names the platform plugin itself.
bool NoDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 ||
            std::strncmp(argv[i], "-platform=", 10) == 0) {
            return false;
        }
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

}  // namespace

int CUpdaterApp::Run(int argc, char** argv) {
    m_argc = argc;
    m_argv = argv;
    m_exitCode = 0;
    m_sinceStart.start();
    if (orvane::WantsTextOnly(argc, argv)) {
        orvane::ConsoleRun run;
        return orvane::PrepareConsoleRun(argc, argv, DownloadWorker, run);
    }
    if (NoDisplay(argc, argv)) {
        std::fprintf(stderr,
                     "orvane-updater: no display to show the window on (DISPLAY and "
                     "WAYLAND_DISPLAY are not set)\n");
        return 1;
    }
    QApplication app(m_argc, m_argv);
    QApplication::setApplicationName(QStringLiteral("orvane-updater"));
    InitConsoleResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvane/orvane-48.png")));
    InitInstance();
    return m_exitCode;
}

bool CUpdaterApp::InitInstance() {
    // QApplication has taken its own options (-platform, ...) out of argc and argv by now.
    orvane::ConsoleRun run;
    const int prepared = orvane::PrepareConsoleRun(m_argc, m_argv, DownloadWorker, run);
    if (prepared != orvane::kShowWindow) {
        m_exitCode = prepared;
        return false;
    }
    {
        orvane::QtUpdaterWindow dlg(std::move(run.setup));
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
    return false;
}
