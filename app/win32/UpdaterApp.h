#pragma once

class CUpdaterApp;
extern CUpdaterApp theApp;

namespace orvane {
class Win32UpdaterWindow;
}

// The application on Win32: runs the main window and ends the program when it closes.
class CUpdaterApp {
public:
    CUpdaterApp() = default;
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // Reads the command line, then InitInstance. Returns the process exit code: 0 after the
    // window closed or after --help or --version, 2 for a bad command line, 1 when --simulate
    // cannot start its device or the window cannot be created.
    int Run(int argc, char** argv);
    // Runs the main window modally; returns FALSE so that the program ends when it closes.
    bool InitInstance();

    // The main window while it runs (null otherwise).
    orvane::Win32UpdaterWindow* m_pMainWnd = nullptr;

private:
    int m_argc = 0;
    char** m_argv = nullptr;
    int m_exitCode = 0;
};
