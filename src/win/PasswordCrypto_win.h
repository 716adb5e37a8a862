#pragma once
#include "common/PasswordHash.h"

namespace vardex {

// PBKDF2, HMAC-SHA1 and random bytes from the system's cryptography (CNG, bcrypt.dll).
class Win32PasswordCrypto final : public PasswordCrypto {
public:
    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override;
    bool FillRandom(std::span<std::uint8_t> out) override;
    bool HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                  std::span<std::uint8_t, 20> out) override;
};

}  // namespace vardex
