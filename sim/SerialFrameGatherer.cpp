#include "sim/SerialFrameGatherer.h"

#include <algorithm>

#include "link/MessageFrame.h"

namespace orvane::sim {

namespace {

// True when `pending` opens with the magic, or with its first bytes when shorter.
bool StartsWithMagicPrefix(const std::vector<uint8_t>& pending) {
    const std::size_t n = std::min(pending.size(), frame::kMagicSize);
    return std::equal(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n),
                      frame::kMagic.begin());
}

}  // namespace

std::vector<std::vector<uint8_t>> SerialFrameGatherer::Feed(const uint8_t* bytes, uint32_t count,
                                                            uint32_t nowMs) {
    std::vector<std::vector<uint8_t>> frames;
    if (bytes == nullptr || count == 0) {
        return frames;
    }
    if (!m_pending.empty() && nowMs - m_lastByteMs > kReceiveTimeoutMs) {
        m_pending.clear();
    }
    m_lastByteMs = nowMs;
    m_pending.insert(m_pending.end(), bytes, bytes + count);
    for (;;) {
        // Resync: drop bytes until the buffer opens with (a prefix of) the magic.
        while (!m_pending.empty() && !StartsWithMagicPrefix(m_pending)) {
            m_pending.erase(m_pending.begin());
        }
        if (m_pending.size() < frame::kHeaderSize) {
            return frames;
        }
        const uint32_t total = frame::TotalSize(m_pending.data());
        if (total > kMaxFrame) {
            m_pending.erase(m_pending.begin());  // no frame of ours is that long: look further on
            continue;
        }
        if (m_pending.size() < total) {
            return frames;
        }
        frames.emplace_back(m_pending.begin(), m_pending.begin() + total);
        m_pending.erase(m_pending.begin(), m_pending.begin() + total);
    }
}

}  // namespace orvane::sim
