#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvane::sim {

// Joins the host's 64-byte output reports into request frames by position code (1 only,
// 2 first, 3 middle, 4 last; 63 payload bytes each), as the USB faces receive them. A report
// with another code, or a middle or last report with no first before it, is ignored; a request
// that outgrows the longest frame the length field can describe is dropped. Not thread-safe.
class ReportJoiner {
public:
    // Takes one report (`len` bytes, byte 0 the position code). Returns the request frame when
    // this report completes one: its bytes up to the end its length field names.
    std::optional<std::vector<uint8_t>> Take(const uint8_t* report, std::size_t len);
    // Forgets a request cut off halfway (the device left the bus).
    void Reset();

private:
    std::vector<uint8_t> m_request;
    bool m_joining = false;
};

}  // namespace orvane::sim
