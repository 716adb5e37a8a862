#include "UserRules.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vardex {

namespace {
std::optional<double> ReadNumber(const std::string& text)
{
    const std::string prefixed = "0" + text;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(prefixed.c_str(), &end);
    if (end != prefixed.c_str() + prefixed.size() || errno == ERANGE)
        return std::nullopt;
    return value;
}
}  // namespace

std::optional<std::pair<double, double>> ReadPeriodLine(const std::string& line)
{
    const size_t equals = line.find('=');
    const std::optional<double> from = ReadNumber(line.substr(0, equals));
    const std::optional<double> till = ReadNumber(equals == std::string::npos ? std::string() : line.substr(equals + 1));
    if (!from || !till)
        return std::nullopt;
    return std::pair{*from, *till};
}

namespace {
std::int32_t Seconds(double fraction) noexcept
{
    const double seconds = fraction * kSecondsPerDay + 0.5;
    return seconds <= 0 ? 0 : seconds >= 2.0 * kSecondsPerDay ? 2 * kSecondsPerDay : static_cast<std::int32_t>(seconds);
}
}  // namespace

bool UsesWeekRules(const LockServiceSettings& settings) noexcept
{
    return settings.OwnWeekdayRules || settings.WeekAllowedSeconds;
}

WeekRules WeekRulesOf(const LockServiceSettings& settings, int firstWeekday)
{
    WeekRules rules;
    rules.bySchedule = settings.RestrictBySchedule;
    rules.byDuration = settings.RestrictByDuration;
    for (const std::string& line : settings.Periods) {
        // A line that cannot be read allows no time, as in the every-day check.
        const auto period = ReadPeriodLine(line);
        rules.everyDay.push_back(period ? DayPeriod{Seconds(period->first), Seconds(period->second)}
                                        : DayPeriod{kSecondsPerDay, 0});
    }
    rules.everyDaySeconds = settings.AllowedSeconds;
    if (settings.OwnWeekdayRules)
        for (std::size_t day = 0; day < rules.days.size(); ++day)
            rules.days[day] = {settings.DayPeriods[day], settings.DayAllowedSeconds[day]};
    rules.weekSeconds = settings.WeekAllowedSeconds;
    rules.firstWeekday = firstWeekday;
    rules.grant = settings.Grant;
    return rules;
}

}  // namespace vardex
