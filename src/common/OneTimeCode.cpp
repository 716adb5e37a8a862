#include "OneTimeCode.h"

#include <array>

namespace vardex {

namespace {
constexpr char kBase32Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
// 1 January 1970 in seconds since 1 January 1601.
constexpr std::int64_t kUnixEpochSince1601 = 11644473600;

int Base32Value(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= '2' && c <= '7')
        return c - '2' + 26;
    return -1;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

std::string PercentEncoded(std::string_view text)
{
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}
}  // namespace

std::string EncodeBase32(std::span<const std::uint8_t> bytes)
{
    std::string text;
    unsigned buffer = 0;
    int bits = 0;
    for (const std::uint8_t byte : bytes) {
        buffer = (buffer << 8) | byte;
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            text += kBase32Digits[(buffer >> bits) & 31];
        }
    }
    if (bits > 0)
        text += kBase32Digits[(buffer << (5 - bits)) & 31];
    return text;
}

std::optional<std::vector<std::uint8_t>> DecodeBase32(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const int value = Base32Value(c);
        if (value < 0)
            return std::nullopt;
        buffer = ((buffer << 5) | static_cast<unsigned>(value)) & 0xFFFF;
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(buffer >> bits));
        }
    }
    // Leftover bits are padding: fewer than a character's worth, and zero.
    if (bits >= 5 || (buffer & ((1u << bits) - 1)) != 0)
        return std::nullopt;
    return bytes;
}

std::int64_t CodeStepAt(std::int64_t unixSeconds) noexcept
{
    return FloorDiv(unixSeconds, kCodeStepSeconds);
}

std::int64_t CodeStepAtUtcMs(std::int64_t utcMsSince1601) noexcept
{
    return CodeStepAt(FloorDiv(utcMsSince1601, 1000) - kUnixEpochSince1601);
}

std::optional<std::string> CodeAt(PasswordCrypto& crypto, std::span<const std::uint8_t> secret, std::int64_t step,
                                  int digits)
{
    if (digits < 6 || digits > 8 || step < 0)
        return std::nullopt;
    std::array<std::uint8_t, 8> counter{};
    for (int i = 7; i >= 0; --i) {
        counter[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(step & 0xFF);
        step >>= 8;
    }
    std::array<std::uint8_t, 20> mac{};
    if (!crypto.HmacSha1(secret, counter, mac))
        return std::nullopt;
    // RFC 4226's dynamic truncation: four bytes from the offset the last nibble names.
    const std::size_t offset = mac[19] & 0x0F;
    const std::uint32_t value = (std::uint32_t{mac[offset]} & 0x7F) << 24 | std::uint32_t{mac[offset + 1]} << 16 |
                                std::uint32_t{mac[offset + 2]} << 8 | std::uint32_t{mac[offset + 3]};
    std::uint32_t modulus = 1;
    for (int i = 0; i < digits; ++i)
        modulus *= 10;
    std::string code = std::to_string(value % modulus);
    code.insert(0, static_cast<std::size_t>(digits) - code.size(), '0');
    return code;
}

bool IsCodeText(std::string_view text) noexcept
{
    if (text.size() != kCodeDigits)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<std::int64_t> MatchCode(PasswordCrypto& crypto, std::span<const std::uint8_t> secret,
                                      std::string_view code, std::int64_t nowStep, std::int64_t lastUsedStep)
{
    if (!IsCodeText(code) || secret.empty())
        return std::nullopt;
    // Every step of the window is worked out, matched or not, so that the time taken tells
    // nothing of which one matched.
    std::optional<std::int64_t> matched;
    for (std::int64_t step = nowStep - 1; step <= nowStep + 1; ++step) {
        const std::optional<std::string> expected = CodeAt(crypto, secret, step);
        if (expected && *expected == code && step > lastUsedStep && !matched)
            matched = step;
    }
    return matched;
}

std::string OtpAuthUri(std::span<const std::uint8_t> secret, std::string_view issuer, std::string_view account)
{
    const std::string name = PercentEncoded(issuer);
    return "otpauth://totp/" + name + ":" + PercentEncoded(account) + "?secret=" + EncodeBase32(secret) +
           "&issuer=" + name + "&algorithm=SHA1&digits=" + std::to_string(kCodeDigits) +
           "&period=" + std::to_string(kCodeStepSeconds);
}

}  // namespace vardex
