#pragma once
// The date-time value: days since 30 December 1899 as a double, the fraction being the time of
// day. Whole day numbers name days (the day counter is one).
#include <cstdint>

namespace vardex {

struct LocalTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const LocalTime&) const = default;
};

inline constexpr std::int64_t kMillisecondsPerDay = 86400000;

// Days between 30 December 1899 and the given day of the proleptic Gregorian calendar.
std::int32_t DayNumber(int year, int month, int day) noexcept;
// The time of day as a fraction of a day, computed from whole milliseconds.
double TimeOfDayFraction(int hour, int minute, int second, int millisecond) noexcept;
double ToDateTimeValue(const LocalTime& time) noexcept;
// The calendar date and time of a date-time value, to the nearest millisecond; values outside
// 30 December 1899 to 31 December 9999 are taken as the nearer end.
LocalTime FromDateTimeValue(double value) noexcept;

// Milliseconds since 1 January 1601 (the system's file-time origin), and back.
std::int64_t MillisecondsSince1601(const LocalTime& time) noexcept;
LocalTime FromMillisecondsSince1601(std::int64_t ms) noexcept;
// 0 for Sunday to 6 for Saturday.
int DayOfWeek(int year, int month, int day) noexcept;
int DaysInMonth(int year, int month) noexcept;

}  // namespace vardex
