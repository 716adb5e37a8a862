#include "Restrictions.h"

#include "common/Errors.h"
#include "common/RegValues.h"
#include "rules/Grants.h"

#include <algorithm>

namespace vardex {

bool TimeInPeriod(double t, double f, double u) noexcept
{
    if (f < u)
        return f <= t && t < u;
    return t >= f || t < u;
}

namespace {
LocalMoment MomentOf(const LocalTime& time) noexcept
{
    return {DayNumber(time.year, time.month, time.day), time.hour * 3600 + time.minute * 60 + time.second};
}

void KeepUse(std::int32_t& loadedDay, std::uint32_t& loadedUse, std::int32_t dayInMemory, std::uint32_t usedInMemory) noexcept
{
    if (dayInMemory > loadedDay) {
        loadedDay = dayInMemory;
        loadedUse = usedInMemory;
    } else if (dayInMemory == loadedDay && usedInMemory > loadedUse) {
        loadedUse = usedInMemory;
    }
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

void KeepGrant(LockServiceSettings& loaded, const std::optional<DayGrant>& inMemory) noexcept
{
    loaded.Grant = LaterGrant(loaded.Grant, inMemory);
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
        AfterExpiry();
        return;
    }
    // Granted time is on top of every rule: nothing expires, and its use counts against none.
    if (GrantHolds())
        return;
    if (UsesWeekRules(settings_)) {
        CheckWeekRules(fromTimer);
        return;
    }
    CheckDuration(fromTimer);
    CheckSchedule(fromTimer);
}

void TimeRestrictions::AfterExpiry()
{
    if (settings_.End == EndAction::StayLocked) {
        // Judged as the checks judge, without counting: the hold lifts when they would not
        // expire now. Until then the workstation is locked, whatever ended or skipped the lock
        // (a start outside the allowed time locks at the first timer tick).
        if (ReleasedToday() || !HeldUpNow())
            timeExpired_ = false;
        else if (!host_.Locked())
            host_.PostLockSignal();
        return;
    }
    if (graceElapsed_ <= kGraceMilliseconds) {
        graceElapsed_ += kTickMilliseconds;
        return;
    }
    if (settings_.End == EndAction::LogOff)
        host_.RequestLogOff();
    else
        host_.RequestShutdown();
}

void TimeRestrictions::AdministratorUnlocked() noexcept
{
    if (!HeldLocked() || !lastTickTime_)
        return;
    releasedDay_ = DayNumber(lastTickTime_->year, lastTickTime_->month, lastTickTime_->day);
    timeExpired_ = false;
}

void TimeRestrictions::TakeGrant(const DayGrant& grant) noexcept
{
    const std::optional<DayGrant> before = settings_.Grant;
    KeepGrant(settings_, grant);
    if (settings_.Grant != before)
        WriteGrant();
    if (timeExpired_ && GrantHolds()) {
        timeExpired_ = false;
        graceElapsed_ = 0;
    }
}

bool TimeRestrictions::GrantHolds() const noexcept
{
    return settings_.Grant && lastTickTime_ && settings_.Grant->Holds(MomentOf(*lastTickTime_));
}

bool TimeRestrictions::ReleasedToday() const noexcept
{
    return releasedDay_ && lastTickTime_ &&
           *releasedDay_ == DayNumber(lastTickTime_->year, lastTickTime_->month, lastTickTime_->day);
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
    if (settings_.CounterDay > 0 && settings_.CounterDay < today && !host_.DayUseKeptElsewhere()) {
        const std::optional<std::int64_t> allowed = DayAllowance(WeekRulesOf(settings_, firstWeekday_), settings_.CounterDay);
        const bool granted = settings_.Grant && settings_.Grant->day == settings_.CounterDay;
        host_.RecordDay({settings_.CounterDay, settings_.UsedSeconds / 60,
                         allowed ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(std::max<std::int64_t>(*allowed, 0) / 60))
                                 : std::nullopt,
                         granted ? static_cast<std::uint32_t>((settings_.Grant->seconds + 30) / 60) : 0u,
                         expiredDay_ == settings_.CounterDay});
    }
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
    return (settings_.RestrictByDuration || settings_.WeekAllowedSeconds) && !timeExpired_ && !GrantHolds() && CountsNow();
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
    if (HeldUpNow()) {
        Expire(fromTimer);
        return;
    }
    if (!CountsNow())
        return;
    if (settings_.RestrictByDuration) {
        settings_.UsedSeconds += kTickSeconds;
        WriteDayUse(false);
    }
    if (settings_.WeekAllowedSeconds) {
        settings_.WeekUsedSeconds += kTickSeconds;
        WriteWeekUse(false);
    }
}

std::optional<LocalMoment> TimeRestrictions::LastTickMoment() const noexcept
{
    if (!lastTickTime_)
        return std::nullopt;
    return MomentOf(*lastTickTime_);
}

std::optional<Standing> TimeRestrictions::StandingNow() const
{
    if (!lastTickTime_)
        return std::nullopt;
    return StandingAt(Rules(), MomentOf(*lastTickTime_),
                      {std::int64_t{settings_.UsedSeconds}, std::int64_t{settings_.WeekUsedSeconds}});
}

LocalMoment TimeRestrictions::MomentNow()
{
    return MomentOf(time_.Read().local);
}

bool TimeRestrictions::HeldUpNow() const
{
    const LocalMoment moment = MomentOf(*lastTickTime_);
    // As the day's count does: a count that has no room left expires too.
    const bool room = settings_.UsedSeconds <= UINT32_MAX - kTickSeconds && settings_.WeekUsedSeconds <= UINT32_MAX - kTickSeconds;
    return !room || HoldupAt(WeekRulesOf(settings_, firstWeekday_), moment,
                             {std::int64_t{settings_.UsedSeconds}, std::int64_t{settings_.WeekUsedSeconds}}) != Holdup::None;
}

void TimeRestrictions::Expire(bool fromTimer)
{
    if (ReleasedToday())
        return;
    graceElapsed_ = 0;
    timeExpired_ = true;
    expiredDay_ = DayNumber(lastTickTime_->year, lastTickTime_->month, lastTickTime_->day);
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
    const auto key = CounterKey();
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

std::unique_ptr<RegistryKey> TimeRestrictions::CounterKey()
{
    if (host_.DayUseKeptElsewhere())
        return nullptr;
    return registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, true);
}

void TimeRestrictions::WriteGrant()
{
    // As the counters: stored where this program may, so that a restart goes on with it.
    const auto key = CounterKey();
    if (!key || !settings_.Grant)
        return;
    try {
        WriteTextValue(*key, settings_.UserKey + SettingNames::Grant, EncodeDayGrant(*settings_.Grant));
    } catch (const Error&) {
    }
}

}  // namespace vardex
