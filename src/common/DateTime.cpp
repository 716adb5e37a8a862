#include "DateTime.h"

#include <cmath>

namespace vardex {

namespace {
// Day 0 of the civil-days count below (1970-01-01) is day 25569 of the date-time value.
constexpr std::int64_t kUnixEpochDayNumber = 25569;
// 1601-01-01 in the civil-days count.
constexpr std::int64_t k1601Days = -134774;

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) noexcept
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}
}  // namespace

std::int32_t DayNumber(int year, int month, int day) noexcept
{
    return static_cast<std::int32_t>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixEpochDayNumber);
}

double TimeOfDayFraction(int hour, int minute, int second, int millisecond) noexcept
{
    const std::int64_t ms = ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMillisecondsPerDay);
}

double ToDateTimeValue(const LocalTime& t) noexcept
{
    return DayNumber(t.year, t.month, t.day) + TimeOfDayFraction(t.hour, t.minute, t.second, t.millisecond);
}

LocalTime FromDateTimeValue(double value) noexcept
{
    constexpr double kLastDay = 2958465.999;  // 31 December 9999
    const double clamped = value > 0 ? (value < kLastDay ? value : kLastDay) : 0.0;
    auto days = static_cast<std::int64_t>(std::floor(clamped));
    auto ms = static_cast<std::int64_t>(std::llround((clamped - static_cast<double>(days)) * kMillisecondsPerDay));
    if (ms >= kMillisecondsPerDay) {
        ++days;
        ms -= kMillisecondsPerDay;
    }
    LocalTime t;
    CivilFromDays(days - kUnixEpochDayNumber, t.year, t.month, t.day);
    t.millisecond = static_cast<int>(ms % 1000);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.hour = static_cast<int>(ms / 3600000);
    return t;
}

std::int64_t MillisecondsSince1601(const LocalTime& t) noexcept
{
    const std::int64_t days =
        DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - k1601Days;
    return days * kMillisecondsPerDay +
           ((std::int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

LocalTime FromMillisecondsSince1601(std::int64_t ms) noexcept
{
    std::int64_t days = ms / kMillisecondsPerDay;
    std::int64_t rest = ms % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --days;
    }
    LocalTime t;
    CivilFromDays(days + k1601Days, t.year, t.month, t.day);
    t.millisecond = static_cast<int>(rest % 1000);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.minute = static_cast<int>(rest / 60000 % 60);
    t.hour = static_cast<int>(rest / 3600000);
    return t;
}

int DayOfWeek(int year, int month, int day) noexcept
{
    // 1970-01-01 was a Thursday.
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

int DaysInMonth(int year, int month) noexcept
{
    const int nextYear = month == 12 ? year + 1 : year;
    const int nextMonth = month == 12 ? 1 : month + 1;
    return static_cast<int>(DaysFromCivil(nextYear, static_cast<unsigned>(nextMonth), 1) -
                            DaysFromCivil(year, static_cast<unsigned>(month), 1));
}

}  // namespace vardex
