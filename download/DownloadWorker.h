#pragma once

#include <cstdint>

// Plays the script named by the window's m_strFilePath to the device over the link that
// g_interfaceKind selects. `pParam` is the CWorkerWindow. Always returns 0. Every wait goes
// through orvane::Clock(); after a stop request on it the worker sends no further frame,
// appends no further line and returns.
unsigned DownloadWorker(void* pParam);
