#pragma once

#include <cstdint>

namespace orvane {

// strtoul over a 32-bit unsigned long, whatever the platform's width: leading white space
// skipped, an optional sign, digits of `base` (base 16 takes an optional 0x/0X) up to the first
// other character; nothing numeric gives 0, a magnitude above 4294967295 gives 4294967295, a
// negative value wraps (-1 gives 4294967295). `text` may be null (gives 0).
uint32_t StrToUl32(const char* text, int base);

}  // namespace orvane
