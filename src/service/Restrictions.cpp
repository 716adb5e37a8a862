#include "Restrictions.h"

#include "common/Errors.h"
#include "common/RegValues.h"

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

bool TimeInPeriod(double t, double f, double u) noexcept
{
    if (f < u)
        return f <= t && t < u;
    return t >= f || t < u;
}

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
void KeepUse(std::int32_t& loadedDay, std::uint32_t& loadedUse, std::int32_t dayInMemory, std::uint32_t usedInMemory) noexcept
{
    if (dayInMemory > loadedDay) {
        loadedDay = dayInMemory;
        loadedUse = usedInMemory;
    } else if (dayInMemory == loadedDay && usedInMemory > loadedUse) {
        loadedUse = usedInMemory;
    }
}

std::int32_t Seconds(double fraction) noexcept
{
    const double seconds = fraction * kSecondsPerDay + 0.5;
    return seconds <= 0 ? 0 : seconds >= 2.0 * kSecondsPerDay ? 2 * kSecondsPerDay : static_cast<std::int32_t>(seconds);
}
}  // namespace

void KeepDayUse(LockServiceSettings& loaded, std::int32_t dayInMemory, std::uint32_t usedInMemory) noexcept
{
    KeepUse(loaded.CounterDay, loaded.UsedSeconds, dayInMemory, usedInMemory);
}

void KeepWeekUse(LockServiceSettings& loaded, std::int32_t weekInMemory, std::uint32_t usedInMemory) noexcept
{
    KeepUse(loaded.WeekCounterDay, loaded.WeekUsedSeconds, weekInMemory, usedInMemory);
}

bool UsesWeekRules(const LockServiceSettings& settings) noexcept
{
    const auto present = [](const auto& value) { return value.has_value(); };
    return settings.WeekAllowedSeconds || std::any_of(settings.DayPeriods.begin(), settings.DayPeriods.end(), present) ||
           std::any_of(settings.DayAllowedSeconds.begin(), settings.DayAllowedSeconds.end(), present);
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
    for (std::size_t day = 0; day < rules.days.size(); ++day)
        rules.days[day] = {settings.DayPeriods[day], settings.DayAllowedSeconds[day]};
    rules.weekSeconds = settings.WeekAllowedSeconds;
    rules.firstWeekday = firstWeekday;
    return rules;
}

TimeRestrictions::TimeRestrictions(LockServiceSettings& settings, Clock& clock, Registry& registry, RestrictionHost& host)
    : settings_(settings), time_(clock), registry_(registry), host_(host)
{
}

void TimeRestrictions::Tick(bool fromTimer)
{
    GuardClock(time_.Read());
    CountDayChange();
    if (timeExpired_) {
        if (graceElapsed_ > kGraceMilliseconds)
            host_.RequestShutdown();
        else
            graceElapsed_ += kTickMilliseconds;
        return;
    }
    if (UsesWeekRules(settings_)) {
        CheckWeekRules(fromTimer);
        return;
    }
    CheckDuration(fromTimer);
    CheckSchedule(fromTimer);
}

void TimeRestrictions::AfterStartupTick(std::optional<std::uint32_t> graceLeftMs) noexcept
{
    if (timeExpired_)
        graceElapsed_ = graceLeftMs ? kGraceMilliseconds - std::min(*graceLeftMs, kGraceMilliseconds) : kGraceAtStartup;
}

void TimeRestrictions::GuardClock(const TrustedTime::Reading& now)
{
    // The checks go on with the trusted time whether or not the clock can be set back; a
    // refused reset is tried again at the next tick.
    lastTickTime_ = now.local;
    if (settings_.RestrictBySchedule && !now.wallClockAgrees)
        host_.SetSystemClock(now.utcMs);
}

void TimeRestrictions::CountDayChange()
{
    if (!settings_.RestrictByDuration)
        return;
    const std::int32_t today = DayNumber(lastTickTime_->year, lastTickTime_->month, lastTickTime_->day);
    if (today == settings_.CounterDay)
        return;
    settings_.CounterDay = today;
    settings_.UsedSeconds = 0;
    WriteDayUse(true);
}

bool TimeRestrictions::CountsNow()
{
    if (settings_.NotCountedWhileLocked && host_.Locked())
        return false;
    // In 64 bits: a stored limit of millions of minutes must not wrap round to a few seconds.
    return settings_.IdleMinutes <= 0 ||
           std::int64_t{host_.IdleSeconds()} < std::int64_t{settings_.IdleMinutes} * 60;
}

bool TimeRestrictions::Counting()
{
    return (settings_.RestrictByDuration || settings_.WeekAllowedSeconds) && !timeExpired_ && CountsNow();
}

void TimeRestrictions::CheckDuration(bool fromTimer)
{
    if (!settings_.RestrictByDuration)
        return;
    const bool roomToCount = settings_.UsedSeconds <= UINT32_MAX - kTickSeconds;
    if (std::int64_t{settings_.UsedSeconds} >= settings_.AllowedSeconds || !roomToCount) {
        Expire(fromTimer);
    } else if (CountsNow()) {
        settings_.UsedSeconds += kTickSeconds;
        WriteDayUse(false);
    }
}

void TimeRestrictions::CheckSchedule(bool fromTimer)
{
    if (!settings_.RestrictBySchedule)
        return;
    const double timeOfDay = TimeOfDayFraction(lastTickTime_->hour, lastTickTime_->minute, lastTickTime_->second,
                                               lastTickTime_->millisecond);
    // Every line is tested: the time must lie in all enabled periods.
    for (const std::string& line : settings_.Periods) {
        const auto period = ReadPeriodLine(line);
        if (!period || !TimeInPeriod(timeOfDay, period->first, period->second))
            Expire(fromTimer);
    }
}

void TimeRestrictions::CountWeekChange()
{
    const std::int32_t today = DayNumber(lastTickTime_->year, lastTickTime_->month, lastTickTime_->day);
    const std::int32_t week = WeekStartOf(today, firstWeekday_);
    if (week == settings_.WeekCounterDay)
        return;
    settings_.WeekCounterDay = week;
    settings_.WeekUsedSeconds = 0;
    WriteWeekUse(true);
}

void TimeRestrictions::CheckWeekRules(bool fromTimer)
{
    if (settings_.WeekAllowedSeconds)
        CountWeekChange();
    const LocalTime& now = *lastTickTime_;
    const LocalMoment moment{DayNumber(now.year, now.month, now.day), now.hour * 3600 + now.minute * 60 + now.second};
    const bool dayCounted = settings_.RestrictByDuration;
    const Holdup holdup = HoldupAt(WeekRulesOf(settings_, firstWeekday_), moment,
                                   {std::int64_t{settings_.UsedSeconds}, std::int64_t{settings_.WeekUsedSeconds}});
    // As the day's count does: a count that has no room left expires too.
    const bool room = settings_.UsedSeconds <= UINT32_MAX - kTickSeconds && settings_.WeekUsedSeconds <= UINT32_MAX - kTickSeconds;
    if (holdup != Holdup::None || !room) {
        Expire(fromTimer);
        return;
    }
    if (!CountsNow())
        return;
    if (dayCounted) {
        settings_.UsedSeconds += kTickSeconds;
        WriteDayUse(false);
    }
    if (settings_.WeekAllowedSeconds) {
        settings_.WeekUsedSeconds += kTickSeconds;
        WriteWeekUse(false);
    }
}

void TimeRestrictions::Expire(bool fromTimer)
{
    graceElapsed_ = 0;
    timeExpired_ = true;
    if (fromTimer)
        host_.PostLockSignal();
}

void TimeRestrictions::WriteDayUse(bool withDay)
{
    WriteCounter(withDay, SettingNames::CounterDay, settings_.CounterDay, SettingNames::UsedSeconds, settings_.UsedSeconds);
}

void TimeRestrictions::WriteWeekUse(bool withDay)
{
    WriteCounter(withDay, SettingNames::WeekCounterDay, settings_.WeekCounterDay, SettingNames::WeekUsedSeconds,
                 settings_.WeekUsedSeconds);
}

void TimeRestrictions::WriteCounter(bool withDay, const char* dayCode, std::int32_t day, const char* usedCode,
                                    std::uint32_t used)
{
    // A count that cannot be stored goes on in memory; the tick is not the place to complain
    // every three seconds.
    if (host_.DayUseKeptElsewhere())
        return;
    const auto key = registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, true);
    if (!key)
        return;
    const auto write = [this, &key](const char* code, std::int64_t value) {
        WriteIntegerValue(*key, settings_.UserKey + code, ParseCounterText(std::to_string(value < 0 ? 0 : value)));
    };
    try {
        if (withDay)
            write(dayCode, day);
        write(usedCode, used);
    } catch (const Error&) {
    }
}

}  // namespace vardex
