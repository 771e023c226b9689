#include <algorithm>
#include <cstring>

#include "download/Script.h"

namespace orvane {

namespace {

bool At(const char* text, size_t end, size_t pos, const char* keyword, size_t length) {
    return pos + length <= end && std::memcmp(text + pos, keyword, length) == 0;
}

}  // namespace

ScriptScan::ScriptScan(const ScriptText& script)
    : m_text(script.data()), m_size(script.size), m_textLength(script.textLength) {}

bool ScriptScan::Next(FrameBlock& block, char* frameText) {
    if (m_end != ScanEnd::Running) {
        return false;
    }
    // The bound is N - 5 as a signed number: a script of five bytes or fewer is not scanned.
    const size_t bound = m_size > 5 ? m_size - 5 : 0;
    size_t p = m_pos;
    for (; p < bound; ++p) {
        const char c = m_text[p];
        if (c == 'S' && std::memcmp(m_text + p, "SEND:", 5) == 0) {
            break;
        }
        if (c == 'E' && std::memcmp(m_text + p, "END>", 4) == 0) {
            m_end = ScanEnd::EndMarker;
            return false;
        }
    }
    if (p >= bound) {
        m_end = ScanEnd::Bound;
        return false;
    }

    m_line += static_cast<uint64_t>(std::count(m_text + m_linePos, m_text + p, '\n'));
    m_linePos = p;

    // The block runs to "SLEEP" or "WAIT", whatever lies between, but never past the text.
    uint64_t kept = 0;
    uint32_t textLength = 0;
    bool zeroSeen = false;
    bool closed = false;
    size_t q = p + 5;
    for (; q < m_textLength; ++q) {
        const char c = m_text[q];
        if ((c == 'S' && At(m_text, m_textLength, q, "SLEEP", 5)) ||
            (c == 'W' && At(m_text, m_textLength, q, "WAIT", 4))) {
            closed = true;
            break;
        }
        if (c == '\r' || c == ' ') {
            continue;
        }
        if (kept < kFrameTextMax) {
            if (frameText != nullptr) {
                frameText[kept] = c;
            }
            if (c == '\0') {
                zeroSeen = true;
            } else if (!zeroSeen) {
                ++textLength;
            }
        }
        ++kept;
    }
    if (frameText != nullptr) {
        frameText[std::min<uint64_t>(kept, kFrameTextMax)] = '\0';
    }

    block.index = ++m_index;
    block.line = m_line;
    block.keptCount = kept;
    block.textLength = textLength;
    block.closed = closed;
    if (closed) {
        m_pos = q + 1;
    } else {
        m_end = ScanEnd::Unclosed;
    }
    return true;
}

}  // namespace orvane
