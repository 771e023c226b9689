#pragma once

#include <cstdio>

namespace orvane::cli {

// Whether `stream` may get a progress bar redrawn in place: it is a terminal and TERM is set
// and not "dumb". Otherwise the bar and its control codes are left out. One file per platform
// (TerminalPosix.cpp).
bool CanRedrawLine(std::FILE* stream);
// The width of the terminal behind `stream` in columns: the terminal's own, else COLUMNS when
// it holds a number, else 80.
int TerminalColumns(std::FILE* stream);

}  // namespace orvane::cli
