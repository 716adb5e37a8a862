#pragma once
// Base64 with the standard alphabet (A-Z a-z 0-9 + /) and no padding, as the stored password
// hashes write their salt and digest. Decoding is strict so that each byte string has exactly
// one accepted text.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vardex {

std::string EncodeBase64(std::span<const std::uint8_t> bytes);

// Decodes text into out when it is the canonical unpadded text of exactly out.size() bytes:
// only alphabet characters, and the unused low bits of the last character zero. out is left
// zeroed when the text is refused.
bool DecodeBase64(std::string_view text, std::span<std::uint8_t> out) noexcept;

}  // namespace vardex
