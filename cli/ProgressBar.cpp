#include "cli/ProgressBar.h"

#include <algorithm>

namespace orvane::cli {

namespace {
constexpr int kMaxCells = 40;
constexpr int kMinCells = 10;
}  // namespace

std::string ProgressText(int done, int total, const std::string& note, int columns) {
    const int width = columns - 1;
    total = std::max(total, 0);
    done = std::clamp(done, 0, total);
    const std::string count = std::to_string(done) + "/" + std::to_string(total);
    // "[" cells "] " count, then "  " note.
    const int fixed = 3 + static_cast<int>(count.size());
    if (width < fixed + kMinCells) {
        return width >= static_cast<int>(count.size()) ? count : std::string();
    }
    std::string shownNote = note;
    const int noteRoom = width - fixed - kMinCells - 2;
    if (shownNote.empty() || noteRoom < 4) {
        shownNote.clear();
    } else if (static_cast<int>(shownNote.size()) > noteRoom) {
        shownNote = shownNote.substr(0, static_cast<size_t>(noteRoom - 3)) + "...";
    }
    const int noteWidth = shownNote.empty() ? 0 : 2 + static_cast<int>(shownNote.size());
    const int cells = std::min(kMaxCells, width - fixed - noteWidth);
    const int filled =
        total > 0 ? static_cast<int>(static_cast<long long>(done) * cells / total) : 0;
    std::string text = "[";
    text.append(static_cast<size_t>(filled), '#');
    text.append(static_cast<size_t>(cells - filled), '.');
    text += "] " + count;
    if (!shownNote.empty()) {
        text += "  " + shownNote;
    }
    return text;
}

void ProgressBar::Set(int done, int total) {
    m_done = done;
    m_total = total;
    // A finished exchange ends the wait it was in.
    m_note.clear();
    Redraw();
}

void ProgressBar::SetNote(const std::string& note) {
    m_note = note;
    Redraw();
}

void ProgressBar::Redraw() {
    if (m_stream == nullptr || m_total <= 0) {
        return;
    }
    std::fprintf(m_stream, "\r%s\033[K", ProgressText(m_done, m_total, m_note, m_columns).c_str());
    std::fflush(m_stream);
    m_shown = true;
}

void ProgressBar::Clear() {
    if (m_shown && m_stream != nullptr) {
        std::fputs("\r\033[K", m_stream);
        std::fflush(m_stream);
        m_shown = false;
    }
}

void ProgressBar::Finish() {
    Clear();
    m_total = 0;
    m_note.clear();
}

}  // namespace orvane::cli
