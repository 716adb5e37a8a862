#pragma once
// Stored passwords: either a salted hash "$pbkdf2-sha256$i=ITERATIONS$SALT$HASH" (PBKDF2-HMAC-
// SHA256, 16 salt bytes and a 32-byte hash in unpadded standard base64) or, for settings written
// before hashes, the plain password itself. A value that begins with "$" but is no well-formed
// hash is neither: it refuses every entry, since its own text is readable by every user.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vardex {

// What the password hashes and the one-time codes need from the platform.
class PasswordCrypto {
public:
    virtual ~PasswordCrypto() = default;
    // PBKDF2-HMAC-SHA256 of password with salt and iterations, filling out; false on failure.
    virtual bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                           std::span<std::uint8_t> out) = 0;
    // Cryptographically random bytes; false on failure.
    virtual bool FillRandom(std::span<std::uint8_t> out) = 0;
    // HMAC-SHA1 of message under key (the one-time codes of an authenticator app); false on
    // failure.
    virtual bool HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                          std::span<std::uint8_t, 20> out) = 0;
};

// One check takes 0.2 to 0.5 s (bench_password_hash, bench_password_hash_win): costly for whoever
// guesses against a stored hash, short enough not to keep a right password waiting.
inline constexpr std::uint32_t kPasswordHashIterations = 400000;
// The counts a stored hash may have. Fewer would make guessing against a copied hash cheap; more
// would let a planted value hold every check up (this many take some 3 s).
inline constexpr std::uint32_t kMinPasswordHashIterations = 100000;
inline constexpr std::uint32_t kMaxPasswordHashIterations = 2000000;
inline constexpr std::size_t kPasswordSaltSize = 16;
// The longest password the prompts and the password fields take, in characters.
inline constexpr int kMaxPasswordLength = 255;
inline constexpr std::size_t kPasswordHashSize = 32;

enum class StoredPasswordKind {
    Plain,      // no "$" first: a password stored before hashes (empty: none)
    Hash,       // a well-formed hash text with a count within the bounds
    Malformed,  // a "$" first and anything else: refuses every entry
};
StoredPasswordKind ClassifyStoredPassword(std::string_view stored) noexcept;

// True when entry matches stored: through the hash when stored is a hash (refused when the
// derivation fails), by exact comparison when it is plain, never when it is malformed.
bool VerifyPassword(std::string_view entry, std::string_view stored, PasswordCrypto& crypto);

// The hash text of password with a fresh random salt. Throws Error when the platform gives no
// random bytes or cannot derive the hash, or when iterations is outside kMinPasswordHashIterations
// to kMaxPasswordHashIterations.
std::string HashPassword(std::string_view password, PasswordCrypto& crypto,
                         std::uint32_t iterations = kPasswordHashIterations);

}  // namespace vardex
