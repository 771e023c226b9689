// The console window behind a stream. The progress bar redraws with VT control codes, which a
// Windows console takes once its virtual-terminal processing is on.
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "cli/Terminal.h"

namespace orvane::cli {

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
    if (stream == nullptr || ::_isatty(::_fileno(stream)) == 0) {
        return nullptr;
    }
    auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

bool CanRedrawLine(std::FILE* stream) {
    HANDLE console = ConsoleOf(stream);
    DWORD mode = 0;
    if (console == nullptr || !::GetConsoleMode(console, &mode)) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    HANDLE console = ConsoleOf(stream);
    if (console != nullptr && ::GetConsoleScreenBufferInfo(console, &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) {
            return columns;
        }
    }
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0) {
            return n;
        }
    }
    return 80;
}

}  // namespace orvane::cli
