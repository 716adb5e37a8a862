#pragma once
// One-time codes as any authenticator app makes them from a shared secret (TOTP, RFC 6238:
// HMAC-SHA1 over 30-second steps, 6 digits), the secret's text for the app (base32, RFC 4648,
// in an "otpauth://totp/" address), and the check that takes each code once.
#include "PasswordHash.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr std::size_t kCodeSecretBytes = 20;
inline constexpr std::int64_t kCodeStepSeconds = 30;
inline constexpr int kCodeDigits = 6;

// Base32 with the alphabet A-Z 2-7 and no padding; decoding takes upper or lower case, no other
// character, and only the canonical text of its bytes (unused low bits zero).
std::string EncodeBase32(std::span<const std::uint8_t> bytes);
std::optional<std::vector<std::uint8_t>> DecodeBase32(std::string_view text);

// The step of a moment given in seconds since 1970 (UTC); and of milliseconds since 1601, as
// the clocks give them.
std::int64_t CodeStepAt(std::int64_t unixSeconds) noexcept;
std::int64_t CodeStepAtUtcMs(std::int64_t utcMsSince1601) noexcept;

// The code of the step, with so many digits (6 to 8); nothing when the crypto fails.
std::optional<std::string> CodeAt(PasswordCrypto& crypto, std::span<const std::uint8_t> secret, std::int64_t step,
                                  int digits = kCodeDigits);

// True for a text of exactly kCodeDigits digits.
bool IsCodeText(std::string_view text) noexcept;

// The step that the code belongs to, among the one before now, now and the one after (the
// phone's clock and ours may differ by a little), and after lastUsedStep: a code once taken, or
// one older than it, is never taken again. Nothing when none matches.
std::optional<std::int64_t> MatchCode(PasswordCrypto& crypto, std::span<const std::uint8_t> secret,
                                      std::string_view code, std::int64_t nowStep, std::int64_t lastUsedStep);

// "otpauth://totp/ISSUER:ACCOUNT?secret=...&issuer=ISSUER&algorithm=SHA1&digits=6&period=30",
// the label and the issuer percent-encoded.
std::string OtpAuthUri(std::span<const std::uint8_t> secret, std::string_view issuer, std::string_view account);

}  // namespace vardex
