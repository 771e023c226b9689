// Mode texts come from the link spec, which holds the operator's baud text: any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ModeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvane::ModeSettings settings;
    if (orvane::ParseModeText(text, settings)) {
        // What a successful parse promises the back ends.
        if (settings.baud && *settings.baud == 0) {
            __builtin_trap();
        }
        if (settings.dataBits && (*settings.dataBits < 5 || *settings.dataBits > 8)) {
            __builtin_trap();
        }
        if (text.find('=') == std::string_view::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
