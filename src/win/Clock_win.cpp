#include "Clock_win.h"

#include <windows.h>

namespace vardex {

namespace {
ZoneChange ChangeOf(const SYSTEMTIME& t) noexcept
{
    // wDay is the week (1 to 5) when the rule recurs every year, the day of the month otherwise.
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wYear == 0 ? t.wDay : 0, t.wYear == 0 ? 0 : t.wDay,
            t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}
}  // namespace

LocalTime Win32Clock::Now()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::int64_t Win32Clock::UtcNow()
{
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    const ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    return static_cast<std::int64_t>(value.QuadPart / 10000);
}

std::int64_t Win32Clock::ElapsedMs()
{
    return static_cast<std::int64_t>(GetTickCount64());
}

TimeZoneRules Win32Clock::Zone()
{
    TIME_ZONE_INFORMATION zone{};
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return {};
    return {static_cast<int>(zone.Bias), static_cast<int>(zone.StandardBias), static_cast<int>(zone.DaylightBias),
            ChangeOf(zone.StandardDate), ChangeOf(zone.DaylightDate)};
}

}  // namespace vardex
