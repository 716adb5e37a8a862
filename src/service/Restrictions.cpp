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

void KeepDayUse(LockServiceSettings& loaded, std::int32_t dayInMemory, std::uint32_t usedInMemory) noexcept
{
    if (dayInMemory > loaded.CounterDay) {
        loaded.CounterDay = dayInMemory;
        loaded.UsedSeconds = usedInMemory;
    } else if (dayInMemory == loaded.CounterDay && usedInMemory > loaded.UsedSeconds) {
        loaded.UsedSeconds = usedInMemory;
    }
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

void TimeRestrictions::CheckDuration(bool fromTimer)
{
    if (!settings_.RestrictByDuration)
        return;
    const bool roomToCount = settings_.UsedSeconds <= UINT32_MAX - kTickSeconds;
    if (std::int64_t{settings_.UsedSeconds} < settings_.AllowedSeconds && roomToCount) {
        settings_.UsedSeconds += kTickSeconds;
        WriteDayUse(false);
    } else {
        Expire(fromTimer);
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

void TimeRestrictions::Expire(bool fromTimer)
{
    graceElapsed_ = 0;
    timeExpired_ = true;
    if (fromTimer)
        host_.PostLockSignal();
}

void TimeRestrictions::WriteDayUse(bool withDay)
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
            write(SettingNames::CounterDay, settings_.CounterDay);
        write(SettingNames::UsedSeconds, settings_.UsedSeconds);
    } catch (const Error&) {
    }
}

}  // namespace vardex
