#include "Text.h"

#include <charconv>

#include <cstdio>

namespace vardex {

char AsciiUpper(char c) noexcept
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

static char AsciiLower(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiUpperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

std::string AsciiLowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

static bool IsControlOrBlank(char c) noexcept
{
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimLeftControl(std::string_view text) noexcept
{
    size_t start = 0;
    while (start < text.size() && IsControlOrBlank(text[start]))
        ++start;
    return text.substr(start);
}

std::string_view TrimControl(std::string_view text) noexcept
{
    text = TrimLeftControl(text);
    size_t end = text.size();
    while (end > 0 && IsControlOrBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::vector<std::string_view> SplitPieces(std::string_view text, std::string_view separators)
{
    std::vector<std::string_view> pieces;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = text.find_first_not_of(separators, pos);
        if (start == std::string_view::npos)
            break;
        const size_t end = text.find_first_of(separators, start);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        pieces.push_back(text.substr(start, stop - start));
        pos = stop;
    }
    return pieces;
}

std::string FormatGeneral15(double value)
{
    // snprintf formats in the "C" locale here: the program never calls setlocale.
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

std::string_view TextBefore(std::string_view text, char separator) noexcept
{
    return text.substr(0, text.find(separator));
}

std::optional<std::vector<std::string_view>> SplitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        if (word.empty())
            return std::nullopt;
        words.push_back(word);
        if (blank == std::string_view::npos)
            return words;
        text.remove_prefix(blank + 1);
    }
}

std::optional<std::int64_t> ReadInteger(std::string_view word, std::int64_t low, std::int64_t high)
{
    const std::string_view digits = word.starts_with('-') ? word.substr(1) : word;
    if (digits.empty() || digits.size() > 19 || (digits.size() > 1 && digits[0] == '0') ||
        (word.starts_with('-') && (low >= 0 || digits == "0")))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

}  // namespace vardex
