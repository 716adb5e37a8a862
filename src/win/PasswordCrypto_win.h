#pragma once
#include "common/PasswordHash.h"

namespace vardex {

// PBKDF2 and random bytes from the system's cryptography (CNG, bcrypt.dll).
class Win32PasswordCrypto final : public PasswordCrypto {
public:
    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override;
    bool FillRandom(std::span<std::uint8_t> out) override;
};

}  // namespace vardex
