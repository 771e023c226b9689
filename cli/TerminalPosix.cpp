#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "cli/Terminal.h"

namespace orvane::cli {

bool CanRedrawLine(std::FILE* stream) {
    if (stream == nullptr || ::isatty(::fileno(stream)) == 0) {
        return false;
    }
    const char* term = std::getenv("TERM");
    return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    if (stream != nullptr && ::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
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
