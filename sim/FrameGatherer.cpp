#include "sim/FrameGatherer.h"

#include <algorithm>

#include "link/MessageFrame.h"

namespace orvane::sim {

namespace {

constexpr auto kReceiveTimeout = std::chrono::milliseconds(200);

// True when `pending` opens with the magic, or with its first bytes when shorter.
bool StartsWithMagicPrefix(const std::vector<uint8_t>& pending) {
    const std::size_t n = std::min(pending.size(), frame::kMagicSize);
    return std::equal(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n),
                      frame::kMagic.begin());
}

}  // namespace

std::vector<std::vector<uint8_t>> FrameGatherer::Take(const uint8_t* bytes, std::size_t n,
                                                      std::chrono::steady_clock::time_point now) {
    std::vector<std::vector<uint8_t>> frames;
    if (bytes == nullptr || n == 0) {
        return frames;
    }
    if (!m_pending.empty() && now - m_lastByte > kReceiveTimeout) {
        m_pending.clear();
    }
    m_lastByte = now;
    m_pending.insert(m_pending.end(), bytes, bytes + n);
    for (;;) {
        while (!m_pending.empty() && !StartsWithMagicPrefix(m_pending)) {
            m_pending.erase(m_pending.begin());
        }
        if (m_pending.size() < frame::kHeaderSize) {
            return frames;
        }
        const uint32_t total = frame::TotalSize(m_pending.data());
        if (total > kMaxFrame) {
            m_pending.erase(m_pending.begin());
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
