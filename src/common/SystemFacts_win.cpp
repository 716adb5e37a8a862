#include "SystemFacts_win.h"

#include "TextConvert_win.h"

#include <windows.h>

namespace vardex {

namespace {
std::optional<std::string> LocaleText(LCTYPE type)
{
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
    if (length <= 0)
        return std::nullopt;
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}
}  // namespace

int Win32SystemFacts::PlatformId()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info))
        return kPlatformWin32Nt;  // only the NT family lacks nothing here
    return static_cast<int>(info.dwPlatformId);
}

std::optional<std::string> Win32SystemFacts::LogonUserName()
{
    wchar_t buffer[257];
    DWORD size = 257;
    if (!GetUserNameW(buffer, &size))
        return std::nullopt;
    return Narrow(buffer);
}

std::string Win32SystemFacts::WindowsDirectory()
{
    wchar_t buffer[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    std::string directory = length > 0 && length < MAX_PATH ? Narrow(std::wstring_view(buffer, length)) : std::string();
    if (directory.empty() || directory.back() != '\\')
        directory += '\\';
    return directory;
}

RegionalFormats Win32SystemFacts::Regional()
{
    RegionalFormats formats;
    const auto take = [](std::string& field, LCTYPE type) {
        if (auto text = LocaleText(type))
            field = std::move(*text);
    };
    take(formats.timeSeparator, LOCALE_STIME);
    take(formats.dateSeparator, LOCALE_SDATE);
    take(formats.amDesignator, LOCALE_S1159);
    take(formats.pmDesignator, LOCALE_S2359);
    take(formats.shortTimePicture, LOCALE_SSHORTTIME);
    return formats;
}

}  // namespace vardex
