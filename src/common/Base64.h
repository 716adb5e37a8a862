#pragma once
// Base64 with the standard alphabet (A-Z a-z 0-9 + /) and no padding, as the stored password
// hashes write their salt and digest. Decoding is strict so that each byte string has exactly
// one accepted text.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vardex {

std::string EncodeBase64(std::span<const std::uint8_t> bytes);

// Decodes text into out when it is the canonical unpadded text of exactly out.size() bytes:
// only alphabet characters, and the unused low bits of the last character zero. out is left
// zeroed when the text is refused.
bool DecodeBase64(std::string_view text, std::span<std::uint8_t> out) noexcept;

// Texts of any bytes, the same way: nothing when the text is not the canonical one.
std::string EncodeBase64Text(std::string_view bytes);
std::optional<std::string> DecodeBase64Text(std::string_view text);

}  // namespace vardex
