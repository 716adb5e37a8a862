#include "SidText.h"

#include <cstdio>

namespace vardex {

std::string SidToTextManual(const SidParts& sid)
{
    std::string text = "S-1-";
    const auto& a = sid.authority;
    if (a[0] != 0 || a[1] != 0) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%02x%02x%02x%02x%02x%02x", a[0], a[1], a[2], a[3], a[4], a[5]);
        text += hex;
    } else {
        const std::uint32_t value = (std::uint32_t{a[2]} << 24) | (std::uint32_t{a[3]} << 16) |
                                    (std::uint32_t{a[4]} << 8) | std::uint32_t{a[5]};
        text += std::to_string(value);
    }
    for (const std::uint32_t subAuthority : sid.subAuthorities) {
        text += '-';
        text += std::to_string(subAuthority);
    }
    return text;
}

}  // namespace vardex
