#pragma once

#include <QtCore/QElapsedTimer>

#include <memory>

class QDialog;

// The application: runs the main window and ends the program when it closes.
class CUpdaterApp {
public:
    CUpdaterApp() = default;
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // Creates the Qt application from the command line, then InitInstance. Returns the process
    // exit code: 0 after the window closed or after --help or --version, 2 for a bad command
    // line, 1 when --simulate cannot start its device or there is no display. Call once, from main.
    // With ORVANE_EXIT_WHEN_SHOWN set in the environment the program prints "shown <ms>"
    // (milliseconds since Run began) once the window is first exposed and then ends, for start-up
    // measurements.
    int Run(int argc, char** argv);

    // Runs the main window modally; returns FALSE so that the program ends when it closes.
    bool InitInstance();

    // The main window while it runs (null otherwise).
    QDialog* m_pMainWnd = nullptr;

private:
    int m_argc = 0;
    char** m_argv = nullptr;
    int m_exitCode = 0;
    QElapsedTimer m_sinceStart;
};

extern CUpdaterApp theApp;
