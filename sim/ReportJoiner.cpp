#include "sim/ReportJoiner.h"

#include <algorithm>

#include "link/MessageFrame.h"

namespace orvane::sim {

namespace {

constexpr std::size_t kPayload = 63;
constexpr std::size_t kRequestMax = 16 + 0xFFFF;

}  // namespace

void ReportJoiner::Reset() {
    m_request.clear();
    m_joining = false;
}

std::optional<std::vector<uint8_t>> ReportJoiner::Take(const uint8_t* report, std::size_t len) {
    if (report == nullptr || len < 2) {
        return std::nullopt;
    }
    const uint8_t code = report[0];
    const uint8_t* payload = report + 1;
    const std::size_t n = std::min(len - 1, kPayload);
    if (code == 1 || code == 2) {
        m_request.assign(payload, payload + n);
        m_joining = true;
    } else if ((code == 3 || code == 4) && m_joining) {
        m_request.insert(m_request.end(), payload, payload + n);
    } else {
        return std::nullopt;
    }
    if (m_request.size() > kRequestMax) {
        Reset();
        return std::nullopt;
    }
    if (code != 1 && code != 4) {
        return std::nullopt;
    }
    // The frame's own length says where it ends; the rest of the last report is padding.
    std::size_t total = m_request.size();
    if (total >= frame::kHeaderSize) {
        total = std::min<std::size_t>(total, frame::TotalSize(m_request.data()));
    }
    std::vector<uint8_t> request(m_request.begin(),
                                 m_request.begin() + static_cast<std::ptrdiff_t>(total));
    Reset();
    return request;
}

}  // namespace orvane::sim
