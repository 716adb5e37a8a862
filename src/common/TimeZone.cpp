#include "TimeZone.h"

namespace vardex {

namespace {
constexpr std::int64_t kMsPerMinute = 60000;

bool HasDaylightSaving(const TimeZoneRules& rules) noexcept
{
    return rules.standardDate.month != 0 && rules.daylightDate.month != 0;
}

// The local time (milliseconds since 1601) at which the change happens in the given year.
std::int64_t ChangeInYear(const ZoneChange& change, int year) noexcept
{
    int day = change.day;
    if (change.year == 0) {
        const int first = 1 + (change.dayOfWeek - DayOfWeek(year, change.month, 1) + 7) % 7;
        day = first + 7 * (change.week - 1);
        while (day > DaysInMonth(year, change.month))
            day -= 7;  // week 5: the last one of the month
    }
    return MillisecondsSince1601({year, change.month, day, change.hour, change.minute, change.second,
                                  change.millisecond});
}

bool InDaylightSaving(std::int64_t utcMs, const TimeZoneRules& rules) noexcept
{
    const std::int64_t standardOffset = (rules.bias + rules.standardBias) * kMsPerMinute;
    const std::int64_t daylightOffset = (rules.bias + rules.daylightBias) * kMsPerMinute;
    const int year = FromMillisecondsSince1601(utcMs - standardOffset).year;
    if ((rules.daylightDate.year != 0 && rules.daylightDate.year != year) ||
        (rules.standardDate.year != 0 && rules.standardDate.year != year))
        return false;
    // The beginning is stated in standard time, the end in daylight time.
    const std::int64_t begins = ChangeInYear(rules.daylightDate, year) + standardOffset;
    const std::int64_t ends = ChangeInYear(rules.standardDate, year) + daylightOffset;
    if (begins < ends)
        return utcMs >= begins && utcMs < ends;
    return utcMs >= begins || utcMs < ends;  // southern hemisphere: across the new year
}
}  // namespace

LocalTime LocalFromUtc(std::int64_t utcMs, const TimeZoneRules& rules) noexcept
{
    const int bias = rules.bias + (HasDaylightSaving(rules) && InDaylightSaving(utcMs, rules) ? rules.daylightBias
                                                                                              : rules.standardBias);
    return FromMillisecondsSince1601(utcMs - bias * kMsPerMinute);
}

}  // namespace vardex
