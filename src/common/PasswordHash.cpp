#include "PasswordHash.h"

#include "Base64.h"
#include "Errors.h"
#include "Texts.h"
#include "WipedString.h"

#include <array>
#include <optional>

namespace vardex {

namespace {

constexpr std::string_view kHashPrefix = "$pbkdf2-sha256$i=";
// Every hash text begins with it, and no plain password may: a damaged hash must not become one.
constexpr char kHashMark = '$';
constexpr std::size_t kMaxIterationDigits = 9;  // no overflow of 32 bits before the bound check

// A fixed-size byte buffer that is overwritten when it goes away, for salts, hashes and keys.
template <std::size_t Size>
struct WipedBytes {
    std::array<std::uint8_t, Size> bytes{};
    WipedBytes() = default;
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;
    ~WipedBytes() { WipeBytes(bytes.data(), bytes.size()); }
};

struct StoredHash {
    std::uint32_t iterations = 0;
    WipedBytes<kPasswordSaltSize> salt;
    WipedBytes<kPasswordHashSize> hash;
};

bool IterationsInBounds(std::uint32_t iterations) noexcept
{
    return iterations >= kMinPasswordHashIterations && iterations <= kMaxPasswordHashIterations;
}

// A decimal count without sign or leading zero, within the bounds.
std::optional<std::uint32_t> ParseIterations(std::string_view digits) noexcept
{
    if (digits.empty() || digits.size() > kMaxIterationDigits || digits.front() == '0')
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (!IterationsInBounds(value))
        return std::nullopt;
    return value;
}

// Reads "$pbkdf2-sha256$i=N$SALT$HASH" and nothing else; false for any other text.
bool ParseStoredHash(std::string_view stored, StoredHash& parsed) noexcept
{
    if (!stored.starts_with(kHashPrefix))
        return false;
    const std::string_view fields = stored.substr(kHashPrefix.size());
    const std::size_t saltStart = fields.find('$');
    if (saltStart == std::string_view::npos)
        return false;
    const std::size_t hashStart = fields.find('$', saltStart + 1);
    if (hashStart == std::string_view::npos)
        return false;
    const std::optional<std::uint32_t> iterations = ParseIterations(fields.substr(0, saltStart));
    if (!iterations)
        return false;
    parsed.iterations = *iterations;
    // A further "$" in the hash field is not base64, so trailing fields are refused there.
    return DecodeBase64(fields.substr(saltStart + 1, hashStart - saltStart - 1), parsed.salt.bytes) &&
           DecodeBase64(fields.substr(hashStart + 1), parsed.hash.bytes);
}

// Looks at every byte whatever the first difference, so that the time taken says nothing about
// how much of the hash an entry got right.
bool SameBytesConstantTime(std::span<const std::uint8_t, kPasswordHashSize> a,
                           std::span<const std::uint8_t, kPasswordHashSize> b) noexcept
{
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned>(a[i] ^ b[i]);
    return difference == 0;
}

}  // namespace

StoredPasswordKind ClassifyStoredPassword(std::string_view stored) noexcept
{
    if (!stored.starts_with(kHashMark))
        return StoredPasswordKind::Plain;
    StoredHash parsed;
    return ParseStoredHash(stored, parsed) ? StoredPasswordKind::Hash : StoredPasswordKind::Malformed;
}

bool VerifyPassword(std::string_view entry, std::string_view stored, PasswordCrypto& crypto)
{
    if (!stored.starts_with(kHashMark))
        return entry == stored;  // a plain password from settings written before hashes
    StoredHash parsed;
    if (!ParseStoredHash(stored, parsed))
        return false;  // malformed: no entry matches, its own text least of all
    WipedBytes<kPasswordHashSize> derived;
    if (!crypto.DeriveKey(entry, parsed.salt.bytes, parsed.iterations, derived.bytes))
        return false;  // fail closed: no derivation, no unlock
    return SameBytesConstantTime(derived.bytes, parsed.hash.bytes);
}

std::string HashPassword(std::string_view password, PasswordCrypto& crypto, std::uint32_t iterations)
{
    if (!IterationsInBounds(iterations))
        throw Error(EnglishMessage(TextId::MessageHashIterations, {std::to_string(iterations)}));
    WipedBytes<kPasswordSaltSize> salt;
    if (!crypto.FillRandom(salt.bytes))
        throw Error(EnglishText(TextId::MessageHashNoRandom));
    WipedBytes<kPasswordHashSize> hash;
    if (!crypto.DeriveKey(password, salt.bytes, iterations, hash.bytes))
        throw Error(EnglishText(TextId::MessageHashNotComputed));
    return std::string(kHashPrefix) + std::to_string(iterations) + '$' + EncodeBase64(salt.bytes) + '$' +
           EncodeBase64(hash.bytes);
}

}  // namespace vardex
