#include "Base64.h"

#include <algorithm>

namespace vardex {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six-bit value of an alphabet character, or -1.
int SextetOf(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

constexpr std::size_t EncodedLength(std::size_t byteCount) noexcept
{
    return (byteCount * 8 + 5) / 6;
}

}  // namespace

std::string EncodeBase64(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(EncodedLength(bytes.size()));
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (const std::uint8_t byte : bytes) {
        bits = (bits << 8) | byte;
        bitCount += 8;
        while (bitCount >= 6) {
            bitCount -= 6;
            text += kAlphabet[(bits >> bitCount) & 0x3f];
        }
    }
    if (bitCount > 0)
        text += kAlphabet[(bits << (6 - bitCount)) & 0x3f];
    return text;
}

bool DecodeBase64(std::string_view text, std::span<std::uint8_t> out) noexcept
{
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (text.size() != EncodedLength(out.size()))
        return false;
    std::uint32_t bits = 0;
    int bitCount = 0;
    std::size_t written = 0;
    for (const char c : text) {
        const int sextet = SextetOf(c);
        if (sextet < 0)
            break;
        bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out[written++] = static_cast<std::uint8_t>(bits >> bitCount);
        }
    }
    // Every character read and the left-over bits zero: any other text would be a second
    // spelling of the same bytes.
    const bool canonical = written == out.size() && (bits & ((1u << bitCount) - 1)) == 0;
    if (!canonical)
        std::fill(out.begin(), out.end(), std::uint8_t{0});
    return canonical;
}

std::string EncodeBase64Text(std::string_view bytes)
{
    return EncodeBase64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::optional<std::string> DecodeBase64Text(std::string_view text)
{
    std::string bytes(text.size() * 6 / 8, '\0');
    if (!DecodeBase64(text, {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()}))
        return std::nullopt;
    return bytes;
}

}  // namespace vardex
