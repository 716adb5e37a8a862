#pragma once
// SHA-256 (FIPS 180-4), HMAC-SHA256 (RFC 2104) and PBKDF2-HMAC-SHA256 (RFC 8018) in portable
// code, so that the password hashes can be made and checked natively and in the unit tests; the
// Windows programs use the system's implementation (PasswordCrypto_win.h).
#include "PasswordHash.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vardex {

inline constexpr std::size_t kSha256Size = 32;
using Sha256Digest = std::array<std::uint8_t, kSha256Size>;

// An incremental SHA-256; its state is wiped when it goes away, as it may hold a key.
class Sha256 {
public:
    static constexpr std::size_t kBlockSize = 64;

    Sha256() noexcept;
    Sha256(const Sha256&) = default;
    Sha256& operator=(const Sha256&) = default;
    ~Sha256();

    void Update(std::span<const std::uint8_t> data) noexcept;
    // The digest of everything given so far; the object is spent afterwards.
    Sha256Digest Final() noexcept;

private:
    void Compress(const std::uint8_t* block) noexcept;

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, kBlockSize> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

Sha256Digest Sha256Of(std::span<const std::uint8_t> data) noexcept;

// HMAC-SHA256 with the key's inner and outer pad blocks absorbed once, so that each message
// costs only the compressions of the message itself and of the outer digest.
class HmacSha256 {
public:
    explicit HmacSha256(std::span<const std::uint8_t> key) noexcept;

    // The MAC of first followed by second.
    Sha256Digest Mac(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second = {}) const noexcept;

private:
    Sha256 inner_;
    Sha256 outer_;
};

// PBKDF2 with HMAC-SHA256 as its pseudo-random function, filling out (any length).
// iterations must be at least 1.
void Pbkdf2HmacSha256(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                      std::uint32_t iterations, std::span<std::uint8_t> out) noexcept;

// The password crypto of the native build and the tests: the code above, and random bytes from
// std::random_device.
class PortablePasswordCrypto final : public PasswordCrypto {
public:
    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override;
    bool FillRandom(std::span<std::uint8_t> out) override;
};

}  // namespace vardex
