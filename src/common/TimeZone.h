#pragma once
// Time-zone rules as the system states them (a bias from UTC, and for zones with daylight
// saving the yearly dates of the two changes), and local time computed from UTC with them. The
// restrictions keep the rules they started with, so that a daylight-saving change is followed
// but a time zone switched by the user is not.
#include "DateTime.h"

#include <cstdint>

namespace vardex {

// One yearly change. Recurring (year 0): the week-th dayOfWeek of month (week 5 is the last);
// otherwise that exact date. The time is local time before the change. month 0 means none.
struct ZoneChange {
    int year = 0, month = 0, dayOfWeek = 0, week = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct TimeZoneRules {
    // Minutes to add to local time to get UTC (UTC+01:00 is -60).
    int bias = 0;
    int standardBias = 0;
    int daylightBias = 0;
    ZoneChange standardDate;  // daylight saving ends
    ZoneChange daylightDate;  // daylight saving begins
};

// The local date and time of a UTC time (milliseconds since 1 January 1601) under the rules.
LocalTime LocalFromUtc(std::int64_t utcMs, const TimeZoneRules& rules) noexcept;

}  // namespace vardex
