#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::cli::station {

// SHA-256 (FIPS 180-4), fed in pieces of any size.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, std::size_t size);
    // The digest; the object must not be fed afterwards.
    std::array<uint8_t, 32> Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_buffer{};
    std::size_t m_buffered = 0;
    uint64_t m_bytes = 0;
};

// The digest of `data` as 64 lower-case hex digits.
std::string Sha256Hex(const void* data, std::size_t size);
// The digest of the file at `path` as 64 lower-case hex digits, with its size in *size; false
// when the file cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex, uint64_t* size);

}  // namespace orvane::cli::station
