#include "TextConvert_win.h"

#include <windows.h>

namespace vardex {

namespace {
std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), length);
    return result;
}

std::string FromWide(UINT codePage, std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}
}  // namespace

std::wstring Widen(std::string_view utf8)
{
    return ToWide(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view wide)
{
    return FromWide(CP_UTF8, wide);
}

std::string ToAnsi(std::string_view utf8)
{
    return FromWide(CP_ACP, Widen(utf8));
}

std::wstring FromAnsi(std::string_view ansi)
{
    return ToWide(CP_ACP, ansi);
}

}  // namespace vardex
