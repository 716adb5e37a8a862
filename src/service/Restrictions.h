#pragma once
// The time restrictions: the day's use counted in the registry, the allowed periods of the day,
// the clock guard, and the grace period between an expiry and the shutdown. The service's
// 3-second timer runs Tick; the Win32 side only supplies the clocks, the registry and the host's
// operations. The day and the periods are judged by the trusted time, which the user's clock,
// time-zone and regional changes cannot move.
#include "common/TrustedTime.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/Registry.h"
#include "config/Settings.h"
#include "config/UsageHistory.h"
#include "config/UserRules.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vardex {

inline constexpr std::uint32_t kTickMilliseconds = 3000;
inline constexpr std::uint32_t kTickSeconds = 3;
// The grace period: the shutdown comes at the tick that finds more than this counted.
inline constexpr std::uint32_t kGraceMilliseconds = 300000;
// Set after an expiry at start-up, so that the first timer tick shuts down at once.
inline constexpr std::uint32_t kGraceAtStartup = 2147483647;

// True when the time of day T lies in the period from F (inclusive) to U (exclusive); a period
// whose from is not before its till crosses midnight, and from equal to till is the whole day.
bool TimeInPeriod(double t, double f, double u) noexcept;

// What the restrictions ask of the lock service.
class RestrictionHost {
public:
    virtual ~RestrictionHost() = default;
    // Posts the lock signal to the service's own window.
    virtual void PostLockSignal() = 0;
    // Ends the program; the computer is then shut down.
    virtual void RequestShutdown() = 0;
    // Ends the program; the user is then logged off.
    virtual void RequestLogOff() = 0;
    // Sets the system clock (UTC, milliseconds since 1 January 1601), with the privilege it
    // needs; false when refused.
    virtual bool SetSystemClock(std::int64_t utcMs) = 0;
    // True while another keeper (the guardian) counts the day's use itself and stores it where
    // the user cannot write: the service then writes none.
    virtual bool DayUseKeptElsewhere() = 0;
    // A finished day of use for the usage history, where no other keeper writes it.
    virtual void RecordDay(const UsageDay& day) = 0;
    // For the options that count only real use: whether the service's lock screen shows, and
    // the seconds since the user's last input.
    virtual bool Locked() { return false; }
    virtual std::uint32_t IdleSeconds() { return 0; }
};

// After a reload: the day's use never goes down. The newer day wins; on the same day the larger
// count holds (a stored count that could not be written is older than the one in memory).
void KeepDayUse(LockServiceSettings& loaded, std::int32_t dayInMemory, std::uint32_t usedInMemory) noexcept;
// The same for the week's use.
void KeepWeekUse(LockServiceSettings& loaded, std::int32_t weekInMemory, std::uint32_t usedInMemory) noexcept;
// And for the day's grant: a reload never takes granted time back.
void KeepGrant(LockServiceSettings& loaded, const std::optional<DayGrant>& inMemory) noexcept;

class TimeRestrictions {
public:
    TimeRestrictions(LockServiceSettings& settings, Clock& clock, Registry& registry, RestrictionHost& host);

    // The time-zone rules local time is judged by; the service takes those of its start.
    void UseZone(const TimeZoneRules& zone) noexcept { time_.UseZone(zone); }
    // The week's first day (0 Monday ... 6 Sunday) of the system's regional settings, which the
    // user cannot change.
    void UseFirstWeekday(int day) noexcept { firstWeekday_ = day; }

    // One tick of the service timer, its restriction steps: the clock guard, the day change,
    // the grace period or the duration and schedule checks. fromTimer is false for the call at
    // start-up, which posts no lock signal.
    void Tick(bool fromTimer);
    // After the tick at start-up: an expiry then shuts down at the first timer tick, or, when
    // this start continues an expiry of an earlier run, when the rest of its grace is over.
    void AfterStartupTick(std::optional<std::uint32_t> graceLeftMs = std::nullopt) noexcept;

    // The day's use as the other keeper counts it: a newer day is taken, and the same day's use
    // only ever goes up.
    void TakeKeptDayUse(std::int32_t day, std::uint32_t usedSeconds, std::int32_t week = 0,
                        std::uint32_t weekUsedSeconds = 0, const std::optional<DayGrant>& grant = std::nullopt) noexcept
    {
        KeepDayUse(settings_, day, usedSeconds);
        KeepWeekUse(settings_, week, weekUsedSeconds);
        if (grant)
            TakeGrant(*grant);
    }
    // Time the administrator granted (kept by the other keeper, or stored here where there is
    // none): while it holds nothing expires and nothing counts, and an expiry it covers ends at
    // once, its grace and warning with it; the next one starts afresh.
    void TakeGrant(const DayGrant& grant) noexcept;
    // A grant holds at the last tick.
    bool GrantHolds() const noexcept;

    bool TimeExpired() const noexcept { return timeExpired_; }
    // Expired with the end that keeps the workstation locked: no grace runs out, and only the
    // administrator's password unlocks until the time is allowed again.
    bool HeldLocked() const noexcept { return timeExpired_ && settings_.End == EndAction::StayLocked; }
    // The lock ended while held locked: the administrator unlocked, which lets the user work on
    // for the rest of the day.
    void AdministratorUnlocked() noexcept;
    // Whether this moment counts as use: not while locked or idle, where the settings say so.
    bool CountsNow();
    // Whether the tick counts the use now (of the day or of the week), as it tells the guardian.
    bool Counting();
    std::uint32_t GraceElapsed() const noexcept { return graceElapsed_; }
    // Until the shutdown, once expired.
    std::uint32_t GraceLeft() const noexcept { return graceElapsed_ >= kGraceMilliseconds ? 0 : kGraceMilliseconds - graceElapsed_; }
    const std::optional<LocalTime>& LastTickTime() const noexcept { return lastTickTime_; }
    // The rules as the checks read them, and what they say at the last tick with the use counted
    // (none before the first tick).
    WeekRules Rules() const { return WeekRulesOf(settings_, firstWeekday_); }
    std::optional<LocalMoment> LastTickMoment() const noexcept;
    std::optional<Standing> StandingNow() const;
    // The trusted local time of this moment, between ticks.
    LocalMoment MomentNow();

private:
    void GuardClock(const TrustedTime::Reading& now);
    void CountDayChange();
    void CheckDuration(bool fromTimer);
    void CheckSchedule(bool fromTimer);
    void CountWeekChange();
    // The week's rules in place of the two checks above, when the settings use them.
    void CheckWeekRules(bool fromTimer);
    void Expire(bool fromTimer);
    // Once expired: counts the grace down to the end, or, held locked, looks whether the time is
    // allowed again.
    void AfterExpiry();
    bool ReleasedToday() const noexcept;
    // Whether the rules, judged now with the use counted, stop the work.
    bool HeldUpNow() const;
    void WriteDayUse(bool withDay);
    void WriteWeekUse(bool withDay);
    void WriteCounter(bool withDay, const char* dayCode, std::int32_t day, const char* usedCode, std::uint32_t used);
    void WriteGrant();
    // Opens the settings key for the counters, where no other keeper writes them.
    std::unique_ptr<RegistryKey> CounterKey();

    LockServiceSettings& settings_;
    TrustedTime time_;
    Registry& registry_;
    RestrictionHost& host_;
    std::optional<LocalTime> lastTickTime_;
    bool timeExpired_ = false;
    std::uint32_t graceElapsed_ = 0;
    int firstWeekday_ = 0;
    std::optional<std::int32_t> releasedDay_;  // the day an administrator unlocked a held lock
    std::optional<std::int32_t> expiredDay_;   // the last day the time expired
};

}  // namespace vardex
