#pragma once

#include <string>

class CUpdaterDlg;

// Empties the window's log text and runs its file chooser. Returns 1 with the chosen path stored
// in `strPath`; otherwise appends "Select file fail.\r\n", refreshes the log view
// (synchronously), leaves `strPath` as it was and returns 0. Window's thread only.
int SelectFile(CUpdaterDlg* pWindow, std::string& strPath);
