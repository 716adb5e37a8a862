#include "WeekRules.h"

#include <algorithm>

namespace vardex {

namespace {

// The coming week and a day: every rule has come round once by then.
constexpr std::int32_t kHorizonDays = 8;

bool Crosses(const DayPeriod& period) noexcept
{
    return period.till < period.from;
}

// The part of a period on its own day.
bool HoldsOnItsDay(const DayPeriod& period, std::int32_t second) noexcept
{
    if (period.from == period.till)
        return true;
    return second >= period.from && (Crosses(period) || second < period.till);
}

// The every-day rule, by the time of day alone: from a period's start till its end, across
// midnight when the end comes first.
bool HoldsEveryDay(const DayPeriod& period, std::int32_t second) noexcept
{
    if (period.from < period.till)
        return second >= period.from && second < period.till;
    return second >= period.from || second < period.till;
}

const std::optional<std::vector<DayPeriod>>& OwnPeriods(const WeekRules& rules, std::int32_t day) noexcept
{
    return rules.days[static_cast<std::size_t>(WeekdayOf(day))].periods;
}

// The seconds (counted from day 0) at which what the periods allow may change, from the day
// before first till the day after last, in order.
std::vector<std::int64_t> Boundaries(const WeekRules& rules, std::int32_t first, std::int32_t last)
{
    std::vector<std::int64_t> found;
    for (std::int32_t day = first - 1; day <= last + 1; ++day) {
        const std::int64_t midnight = std::int64_t{day} * kSecondsPerDay;
        found.push_back(midnight);
        const auto& own = OwnPeriods(rules, day);
        for (const DayPeriod& period : own ? *own : rules.everyDay) {
            found.push_back(midnight + period.from);
            found.push_back(midnight + period.till);
            if (own && Crosses(period))
                found.push_back(midnight + kSecondsPerDay + period.till);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

// "HH:MM" at the text's start, up to 24:00 when the day's end is allowed; the seconds of the day.
std::optional<std::int32_t> ReadClock(std::string_view text, bool endOfDay)
{
    if (text.size() != 5 || text[2] != ':')
        return std::nullopt;
    for (std::size_t i : {0u, 1u, 3u, 4u})
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
    if (minutes > 59 || hours > 24 || (hours == 24 && (minutes != 0 || !endOfDay)))
        return std::nullopt;
    return hours * 3600 + minutes * 60;
}

std::string FormatClock(std::int32_t seconds)
{
    const std::int32_t minutes = seconds / 60;
    const char text[] = {static_cast<char>('0' + minutes / 600), static_cast<char>('0' + minutes / 60 % 10), ':',
                         static_cast<char>('0' + minutes % 60 / 10), static_cast<char>('0' + minutes % 10), '\0'};
    return text;
}

}  // namespace

std::optional<std::vector<DayPeriod>> ParseDayPeriods(std::string_view text)
{
    std::vector<DayPeriod> periods;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        if (entry.size() != 11 || entry[5] != '-')
            return std::nullopt;
        const std::optional<std::int32_t> from = ReadClock(entry.substr(0, 5), false);
        const std::optional<std::int32_t> till = ReadClock(entry.substr(6), true);
        if (!from || !till)
            return std::nullopt;
        // 24:00 is the day's end; a period till then ends at midnight without running on.
        periods.push_back({*from, *till == kSecondsPerDay && *from != 0 ? 0 : *till});
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
        if (text.empty())
            return std::nullopt;  // a comma with nothing after it
    }
    return periods;
}

std::string FormatDayPeriods(const std::vector<DayPeriod>& periods)
{
    std::string text;
    for (const DayPeriod& period : periods) {
        if (!text.empty())
            text += ',';
        text += FormatClock(period.from) + '-' + (period.till == 0 && period.from != 0 ? "24:00" : FormatClock(period.till));
    }
    return text;
}

Holdup HoldupAt(const WeekRules& rules, LocalMoment moment, UseSoFar used) noexcept
{
    if (rules.grant && rules.grant->Holds(moment))
        return Holdup::None;
    if (!PeriodsAllow(rules, moment))
        return Holdup::OutsidePeriods;
    const std::optional<std::int64_t> allowance = DayAllowance(rules, moment.day);
    if (allowance && used.today >= *allowance)
        return Holdup::DayUsedUp;
    if (rules.weekSeconds && used.week >= *rules.weekSeconds)
        return Holdup::WeekUsedUp;
    return Holdup::None;
}

LocalMoment LocalMoment::FromLinear(std::int64_t seconds) noexcept
{
    const std::int64_t day = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    return {static_cast<std::int32_t>(day), static_cast<std::int32_t>(seconds - day * kSecondsPerDay)};
}

int WeekdayOf(std::int32_t day) noexcept
{
    // Day 0 was a Saturday.
    return static_cast<int>(((std::int64_t{day} + 5) % 7 + 7) % 7);
}

std::int32_t WeekStartOf(std::int32_t day, int firstWeekday) noexcept
{
    return day - (WeekdayOf(day) - firstWeekday + 7) % 7;
}

bool PeriodsAllow(const WeekRules& rules, LocalMoment moment) noexcept
{
    if (!rules.bySchedule)
        return true;
    const auto& own = OwnPeriods(rules, moment.day);
    const bool today = own ? std::any_of(own->begin(), own->end(),
                                         [&](const DayPeriod& p) { return HoldsOnItsDay(p, moment.second); })
                           : std::all_of(rules.everyDay.begin(), rules.everyDay.end(),
                                         [&](const DayPeriod& p) { return HoldsEveryDay(p, moment.second); });
    if (today)
        return true;
    // What a period of the day before, with periods of its own, runs on into this morning.
    const auto& before = OwnPeriods(rules, moment.day - 1);
    return before && std::any_of(before->begin(), before->end(), [&](const DayPeriod& p) {
               return Crosses(p) && moment.second < p.till;
           });
}

std::optional<std::int64_t> DayAllowance(const WeekRules& rules, std::int32_t day) noexcept
{
    if (!rules.byDuration)
        return std::nullopt;
    const auto& own = rules.days[static_cast<std::size_t>(WeekdayOf(day))].allowedSeconds;
    return own ? *own : rules.everyDaySeconds;
}

namespace {
// While a grant holds: its end, then what the rules alone allow from there, with the use of now
// (the grant's own use counts against nothing), on a new day or in a new week none.
Standing StandingInGrant(const WeekRules& rules, LocalMoment now, UseSoFar used)
{
    WeekRules alone = rules;
    alone.grant.reset();
    const LocalMoment end = LocalMoment::FromLinear(std::int64_t{rules.grant->day} * kSecondsPerDay + rules.grant->until);
    if (end.day != now.day)
        used.today = 0;
    if (WeekStartOf(end.day, rules.firstWeekday) != WeekStartOf(now.day, rules.firstWeekday))
        used.week = 0;
    const Standing after = StandingAt(alone, end, used);
    Standing standing;
    if (!after.Allowed())
        standing.secondsLeft = end.Linear() - now.Linear();
    else if (after.secondsLeft)
        standing.secondsLeft = end.Linear() - now.Linear() + *after.secondsLeft;
    return standing;
}
}  // namespace

Standing StandingAt(const WeekRules& rules, LocalMoment now, UseSoFar used)
{
    if (rules.grant && rules.grant->Holds(now))
        return StandingInGrant(rules, now, used);
    Standing standing;
    standing.holdup = HoldupAt(rules, now, used);
    const std::int64_t start = now.Linear();
    const std::vector<std::int64_t> boundaries = Boundaries(rules, now.day, now.day + kHorizonDays);
    if (standing.Allowed()) {
        std::optional<std::int64_t> left;
        const auto keep = [&left](std::int64_t seconds) { left = left ? std::min(*left, seconds) : seconds; };
        if (const std::optional<std::int64_t> allowance = DayAllowance(rules, now.day))
            keep(*allowance - used.today);
        if (rules.weekSeconds)
            keep(*rules.weekSeconds - used.week);
        for (std::int64_t at : boundaries)
            if (at > start && !PeriodsAllow(rules, LocalMoment::FromLinear(at))) {
                keep(at - start);
                break;
            }
        standing.secondsLeft = left;
        return standing;
    }
    // The use counted so far belongs to today and to this week only.
    const std::int32_t thisWeek = WeekStartOf(now.day, rules.firstWeekday);
    for (std::int64_t at : boundaries) {
        if (at <= start || at - start > std::int64_t{kHorizonDays - 1} * kSecondsPerDay)
            continue;
        const LocalMoment moment = LocalMoment::FromLinear(at);
        const std::int64_t day = moment.day == now.day ? used.today : 0;
        const std::int64_t week = WeekStartOf(moment.day, rules.firstWeekday) == thisWeek ? used.week : 0;
        if (HoldupAt(rules, moment, {day, week}) == Holdup::None) {
            standing.nextStart = moment;
            break;
        }
    }
    return standing;
}

std::string SpanText(std::int64_t seconds, const Texts& texts)
{
    const std::int64_t minutes = seconds > 0 ? seconds / 60 : 0;
    const std::string hours = std::to_string(minutes / 60), rest = std::to_string(minutes % 60);
    if (minutes < 60)
        return texts.Format(TextId::SpanMinutes, {rest});
    return minutes % 60 ? texts.Format(TextId::SpanHoursMinutes, {hours, rest}) : texts.Format(TextId::SpanHours, {hours});
}

std::optional<std::int32_t> ParseHoursMinutes(std::string_view text, std::int32_t mostMinutes)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const std::size_t colon = text.find(':');
    const std::string_view hoursText = text.substr(0, colon);
    const std::string_view minutesText = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    const auto digits = [](std::string_view part, std::size_t most) {
        return !part.empty() && part.size() <= most &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(hoursText, 4) || (colon != std::string_view::npos && (minutesText.size() != 2 || !digits(minutesText, 2))))
        return std::nullopt;
    std::int32_t hours = 0, minutes = 0;
    for (const char c : hoursText)
        hours = hours * 10 + (c - '0');
    for (const char c : minutesText)
        minutes = minutes * 10 + (c - '0');
    const std::int32_t total = hours * 60 + minutes;
    if (minutes > 59 || total > mostMinutes)
        return std::nullopt;
    return total;
}

std::string HoursMinutesText(std::int32_t minutes)
{
    const std::int32_t rest = minutes % 60;
    return std::to_string(minutes / 60) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

std::string StretchText(const DayPeriod& stretch)
{
    return FormatClock(stretch.from) + "\u2013" + FormatClock(stretch.till);
}

std::string TodayText(const WeekRules& rules, LocalMoment now, UseSoFar used, const std::string& userName,
                      const Texts& texts)
{
    const std::string weekday = texts.Get(NthText(TextId::Weekday1, WeekdayOf(now.day)));
    const std::vector<DayPeriod> stretches = AllowedStretches(rules, now.day);
    std::string periods;
    for (std::size_t i = 0; i < stretches.size(); ++i)
        periods += (i ? ", " : "") + StretchText(stretches[i]);
    std::string text = stretches.empty() ? texts.Format(TextId::TodayMayNot, {weekday, userName})
                                         : texts.Format(TextId::TodayMay, {weekday, userName, periods});
    const auto budget = [&](TextId words, std::int64_t left, std::int64_t all) {
        return texts.Format(words, {SpanText(left, texts), SpanText(all, texts)});
    };
    std::vector<std::string> budgets;
    if (const std::optional<std::int64_t> allowance = DayAllowance(rules, now.day))
        budgets.push_back(budget(TextId::TodayLeftToday, *allowance - used.today, *allowance));
    if (rules.weekSeconds)
        budgets.push_back(budget(TextId::TodayLeftWeek, *rules.weekSeconds - used.week, *rules.weekSeconds));
    for (std::size_t i = 0; i < budgets.size(); ++i)
        text += (i ? ", " : "; ") + budgets[i];
    return text;
}

std::vector<DayPeriod> AllowedStretches(const WeekRules& rules, std::int32_t day)
{
    const std::int64_t midnight = std::int64_t{day} * kSecondsPerDay;
    std::vector<std::int32_t> cuts;
    for (std::int64_t at : Boundaries(rules, day, day))
        if (at >= midnight && at < midnight + kSecondsPerDay)
            cuts.push_back(static_cast<std::int32_t>(at - midnight));
    cuts.push_back(kSecondsPerDay);
    std::vector<DayPeriod> stretches;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        if (!PeriodsAllow(rules, {day, cuts[i]}))
            continue;
        if (!stretches.empty() && stretches.back().till == cuts[i])
            stretches.back().till = cuts[i + 1];
        else
            stretches.push_back({cuts[i], cuts[i + 1]});
    }
    return stretches;
}

}  // namespace vardex
