#pragma once

#include <cstdio>
#include <string>

namespace orvane::cli {

// The bar's text for `done` of `total` exchanges and the current long wait `note` (may be
// empty), never wider than `columns` - 1 characters so that it does not wrap:
// "[##########..........] 3/9  erasing (2000 ms)". The note is cut first, then the bar
// narrowed (at least 10 cells); with no room for either only the count is left.
std::string ProgressText(int done, int total, const std::string& note, int columns);

// A progress bar redrawn in place on a terminal ("\r", the text, "\033[K"). With a null stream
// it does nothing at all. Used by one thread at a time.
class ProgressBar {
public:
    ProgressBar(std::FILE* stream, int columns) : m_stream(stream), m_columns(columns) {}

    void Set(int done, int total);
    void SetNote(const std::string& note);
    // Wipes the bar from its line (before a line is printed, and at the end); a later Set or
    // SetNote draws it again.
    void Clear();
    // Draws the bar again if it was cleared for a line and a run is under way.
    void Redraw();
    // Clears the bar for good: nothing is drawn until the next Set.
    void Finish();

private:
    std::FILE* m_stream;
    int m_columns;
    int m_done = 0;
    int m_total = 0;
    std::string m_note;
    bool m_shown = false;
};

}  // namespace orvane::cli
