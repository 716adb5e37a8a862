#pragma once
// The textual form of a security identifier, written without the system's conversion call.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vardex {

struct SidParts {
    std::array<std::uint8_t, 6> authority{};  // byte 0 most significant
    std::vector<std::uint32_t> subAuthorities;
};

// "S-1-" + the authority (decimal, or "0x" and 12 hex digits when byte 0 or 1 is set) and each
// sub-authority as an unsigned decimal. The revision is always written as 1.
std::string SidToTextManual(const SidParts& sid);

}  // namespace vardex
