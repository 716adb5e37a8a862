#pragma once
// The password crypto of the native build and its tests: PBKDF2-HMAC-SHA256, HMAC-SHA1 and random bytes from
// OpenSSL's libcrypto, a well-kept library, as the Windows programs take theirs from the system
// (PasswordCrypto_win.h). Both are checked against the same published vectors, so that a hash
// made by one verifies with the other.
#include "PasswordHash.h"

namespace vardex {

class NativePasswordCrypto final : public PasswordCrypto {
public:
    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override;
    bool FillRandom(std::span<std::uint8_t> out) override;
    bool HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                  std::span<std::uint8_t, 20> out) override;
};

}  // namespace vardex
