#pragma once
// Small text helpers shared by the portable logic. Texts are UTF-8 or single-byte; the helpers
// that fold letter case touch only the ASCII letters a to z.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

char AsciiUpper(char c) noexcept;
std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b) noexcept;

// Removes the characters with codes 0 to 32 (blanks and control characters).
std::string_view TrimControl(std::string_view text) noexcept;
std::string_view TrimLeftControl(std::string_view text) noexcept;

// Splits at any of the separator characters. Runs of separators count as one, and separators
// at the start or the end give no empty piece.
std::vector<std::string_view> SplitPieces(std::string_view text, std::string_view separators);

// A number as a general floating-point text with up to 15 significant digits and "." as the
// decimal separator, whatever the regional settings say (0.375, 0.708333333333333, 0).
std::string FormatGeneral15(double value);

// The text before the first occurrence of separator (all of it when there is none).
std::string_view TextBefore(std::string_view text, char separator) noexcept;

// The words split at single blanks; nothing when a word is empty (two blanks, a blank at
// either end, no text).
std::optional<std::vector<std::string_view>> SplitWords(std::string_view text);
// A decimal number within [low, high]: digits with a minus sign only where low is negative,
// no leading zeros beyond "0" itself, no blanks.
std::optional<std::int64_t> ReadInteger(std::string_view word, std::int64_t low, std::int64_t high);

}  // namespace vardex
