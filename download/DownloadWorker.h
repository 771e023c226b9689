#pragma once

#include <cstdint>

// Plays the script named by the window's m_strFilePath to the device over the link that
// g_interfaceKind selects. `pParam` is the CWorkerWindow. Always returns 0. A script that cannot
// be read, or that orvane::CheckScript refuses, ends the run with "Read file fail." before
// anything is sent. Progress goes to CWorkerWindow::OnProgress. Every wait goes
// through orvane::Clock(); after a stop request on it the worker sends no further frame,
// appends no further line and returns.
unsigned DownloadWorker(void* pParam);
