#pragma once
// When a user may work, as a week of rules: each weekday may have its own allowed periods (any
// one of them allows) and its own hours; a day without them keeps the every-day rule (the stored
// period list, every period of which must hold, and the day's hours); a weekly budget may come on
// top. Everything is judged in local wall-clock time, by day number and second of the day, so
// the lock service's tick and the configuration window's "today" line read the same rules.
#include "common/Texts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr std::int32_t kSecondsPerDay = 86400;

// From (included) till (left out), in seconds of the day. A till not after its from crosses
// midnight: the rest runs on into the next morning. From equal to till is the whole day.
struct DayPeriod {
    std::int32_t from = 0;
    std::int32_t till = 0;
    bool operator==(const DayPeriod&) const = default;
};

struct DayRule {
    std::optional<std::vector<DayPeriod>> periods;  // its own periods; any of them allows
    std::optional<std::int64_t> allowedSeconds;     // its own hours
};

// A local date and time: the day number as the service counts days (days since 30 December
// 1899, a Saturday) and the second of that day.
struct LocalMoment {
    std::int32_t day = 0;
    std::int32_t second = 0;
    std::int64_t Linear() const noexcept { return std::int64_t{day} * kSecondsPerDay + second; }
    static LocalMoment FromLinear(std::int64_t seconds) noexcept;
};

// Time the administrator granted on top of the rules: a stretch of one day, from the grant to its
// end, in which neither the periods, nor the day's hours, nor the week's budget hold the user up,
// and whose use counts against none of them. A later grant never shortens an earlier one.
struct DayGrant {
    std::int32_t day = 0;      // the day it holds on
    std::int32_t until = 0;    // the second of that day it ends at (86400: the day's end)
    std::int32_t seconds = 0;  // granted that day in all, for the usage history
    bool Holds(LocalMoment moment) const noexcept { return moment.day == day && moment.second < until; }
    bool operator==(const DayGrant&) const = default;
};

struct WeekRules {
    bool bySchedule = false;              // the periods are checked
    bool byDuration = false;              // the day's hours are checked
    std::vector<DayPeriod> everyDay;      // the stored list: the time must lie in all of them
    std::int64_t everyDaySeconds = kSecondsPerDay;
    std::array<DayRule, 7> days;          // Monday first
    std::optional<std::int64_t> weekSeconds;
    std::int32_t firstWeekday = 0;        // the week starts on this day (0 Monday ... 6 Sunday)
    std::optional<DayGrant> grant;        // granted on top of the rules
};

// 0 Monday ... 6 Sunday.
int WeekdayOf(std::int32_t day) noexcept;
// The day number on which the week of day starts.
std::int32_t WeekStartOf(std::int32_t day, int firstWeekday) noexcept;

// Whether the periods allow the moment (true when the schedule is not checked).
bool PeriodsAllow(const WeekRules& rules, LocalMoment moment) noexcept;
// The seconds of use the day allows; nothing when its hours are not checked.
std::optional<std::int64_t> DayAllowance(const WeekRules& rules, std::int32_t day) noexcept;

// The seconds already used, as the service counts them.
struct UseSoFar {
    std::int64_t today = 0;
    std::int64_t week = 0;
};

enum class Holdup { None, OutsidePeriods, DayUsedUp, WeekUsedUp };

struct Standing {
    Holdup holdup = Holdup::None;  // what stops the work now, the first of them
    // While allowed: the seconds until the first of the period's end, the day's hours and the
    // week's budget; nothing when none of them ends within the coming week.
    std::optional<std::int64_t> secondsLeft;
    // While not allowed: the next moment that is, within the coming week.
    std::optional<LocalMoment> nextStart;
    bool Allowed() const noexcept { return holdup == Holdup::None; }
};

// What stops the work at the moment, with the use counted on its day and in its week; the cheap
// part of StandingAt, for a check every few seconds.
Holdup HoldupAt(const WeekRules& rules, LocalMoment moment, UseSoFar used) noexcept;
Standing StandingAt(const WeekRules& rules, LocalMoment now, UseSoFar used);

// A day's own periods as stored: "16:00-18:00,20:00-21:30", 24-hour times whatever the regional
// settings, a till of "24:00" for the day's end; an empty text is a day without any time.
// Nothing when the text is not of that form.
std::optional<std::vector<DayPeriod>> ParseDayPeriods(std::string_view text);
std::string FormatDayPeriods(const std::vector<DayPeriod>& periods);

// A span of time as people say it: "2 h", "1 h 20 min", "45 min", "0 min" (whole minutes, cut).
std::string SpanText(std::int64_t seconds, const Texts& texts);
// Minutes as an administrator types them in a field: "1:30", "0:45", "168:00", or a plain number
// of hours ("2"); nothing for any other text or past the most minutes.
std::optional<std::int32_t> ParseHoursMinutes(std::string_view text, std::int32_t mostMinutes);
// "1:30", "0:05", "24:00".
std::string HoursMinutesText(std::int32_t minutes);
// "15:00–18:00"; "00:00–24:00" for the whole day.
std::string StretchText(const DayPeriod& stretch);

// The day in plain words, for the one who sets the rules: "Today (Wednesday) alice may work
// 15:00–18:00; 2 h of 3 h left today, 6 h of 10 h this week". The times come from the same
// rules that the lock service enforces.
std::string TodayText(const WeekRules& rules, LocalMoment now, UseSoFar used, const std::string& userName,
                      const Texts& texts);

// The stretches of the day that the periods allow, in order (a stretch that runs on past
// midnight ends at the day's end here).
std::vector<DayPeriod> AllowedStretches(const WeekRules& rules, std::int32_t day);

}  // namespace vardex
