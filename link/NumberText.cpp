#include "link/NumberText.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace orvane {

uint32_t StrToUl32(const char* text, int base) {
    if (text == nullptr) {
        return 0;
    }
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    const bool negative = *p == '-';
    errno = 0;
    const unsigned long long value = std::strtoull(text, nullptr, base);
    if (errno == ERANGE) {
        return UINT32_MAX;
    }
    // strtoull has already negated a negative value modulo 2^64; its magnitude decides.
    const unsigned long long magnitude = negative ? 0ULL - value : value;
    if (magnitude > UINT32_MAX) {
        return UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace orvane
