#include "app/win32/UpdaterApp.h"

#include <cstdio>

#include "app/console/ConsoleStart.h"
#include "app/win32/Win32UpdaterWindow.h"
#include "download/DownloadWorker.h"

CUpdaterApp theApp;

int CUpdaterApp::Run(int argc, char** argv) {
    m_argc = argc;
    m_argv = argv;
    m_exitCode = 0;
    InitInstance();
    return m_exitCode;
}

bool CUpdaterApp::InitInstance() {
    orvane::ConsoleRun run;
    const int prepared = orvane::PrepareConsoleRun(m_argc, m_argv, DownloadWorker, run);
    if (prepared != orvane::kShowWindow) {
        m_exitCode = prepared;
        return false;
    }
    orvane::Win32UpdaterWindow dlg(std::move(run.setup));
    m_pMainWnd = &dlg;
    if (dlg.DoModal() == -1) {
        std::fprintf(stderr, "orvane-updater: cannot create the window (error %lu)\n",
                     GetLastError());
        m_exitCode = 1;
    }
    m_pMainWnd = nullptr;
    return false;
}
