#include "SystemFacts_win.h"

#include "TextConvert_win.h"
#include "common/DateTime.h"

#include <windows.h>

namespace vardex {

namespace {
std::optional<std::string> LocaleText(const wchar_t* locale, LCTYPE type)
{
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(locale, type, buffer, 128);
    if (length <= 0)
        return std::nullopt;
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}

RegionalFormats LocaleFormats(const wchar_t* locale)
{
    RegionalFormats formats;
    const auto take = [locale](std::string& field, LCTYPE type) {
        if (auto text = LocaleText(locale, type))
            field = std::move(*text);
    };
    take(formats.timeSeparator, LOCALE_STIME);
    take(formats.dateSeparator, LOCALE_SDATE);
    take(formats.amDesignator, LOCALE_S1159);
    take(formats.pmDesignator, LOCALE_S2359);
    take(formats.shortTimePicture, LOCALE_SSHORTTIME);
    std::string firstDay;
    take(firstDay, LOCALE_IFIRSTDAYOFWEEK);
    if (firstDay.size() == 1 && firstDay[0] >= '0' && firstDay[0] <= '6')
        formats.firstWeekday = firstDay[0] - '0';
    return formats;
}
}  // namespace

int Win32SystemFacts::PlatformId()
{
#ifdef _WIN64
    // A 64-bit program runs on the NT family only, whatever GetVersionExW says: it reports what
    // the user's compatibility setting for the program asks for, and "Windows 95" meant a lock
    // service without limits or key filter.
    return kPlatformWin32Nt;
#else
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info))
        return kPlatformWin32Nt;  // only the NT family lacks nothing here
    return static_cast<int>(info.dwPlatformId);
#endif
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
    return LocaleFormats(LOCALE_NAME_USER_DEFAULT);
}

RegionalFormats Win32SystemFacts::SystemRegional()
{
    return LocaleFormats(LOCALE_NAME_SYSTEM_DEFAULT);
}

bool Win32SystemFacts::SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    const std::wstring wideA = Widen(a), wideB = Widen(b);
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

int Win32SystemFacts::CompareNamesIgnoringCase(std::string_view a, std::string_view b)
{
    const std::wstring wideA = Widen(a), wideB = Widen(b);
    const int sizeA = static_cast<int>(wideA.size()), sizeB = static_cast<int>(wideB.size());
    int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, LINGUISTIC_IGNORECASE, wideA.c_str(), sizeA, wideB.c_str(),
                                 sizeB, nullptr, nullptr, 0);
    if (result == 0)  // a locale the system cannot compare in: by code points, case folded
        result = CompareStringOrdinal(wideA.c_str(), sizeA, wideB.c_str(), sizeB, TRUE);
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

std::string SystemShortDate(std::int32_t day)
{
    const LocalTime date = FromDateTimeValue(day);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    wchar_t text[80];
    if (!GetDateFormatEx(LOCALE_NAME_SYSTEM_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, ARRAYSIZE(text), nullptr))
        return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
    return Narrow(text);
}

}  // namespace vardex
