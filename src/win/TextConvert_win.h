#pragma once
// Conversions at the boundary between the logic's UTF-8 texts and the wide Windows APIs.
#include <string>
#include <string_view>

namespace vardex {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// The text in the system's single-byte (ANSI) code page.
std::string ToAnsi(std::string_view utf8);
// Bytes in the system's single-byte (ANSI) code page, as text.
std::wstring FromAnsi(std::string_view ansi);

}  // namespace vardex
