#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "rules/Grants.h"
#include "service/Restrictions.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeClock;
using test::MemoryRegistry;
constexpr auto HKLM = RootKey::LocalMachine;

class RecordingRestrictionHost final : public RestrictionHost {
public:
    explicit RecordingRestrictionHost(FakeClock* clock = nullptr) : clock_(clock) {}
    int lockSignals = 0;
    int shutdowns = 0;
    int logOffs = 0;
    bool clockSettable = true;
    std::vector<std::int64_t> clockResets;
    bool keptElsewhere = false;

    void PostLockSignal() override { ++lockSignals; }
    void RequestShutdown() override { ++shutdowns; }
    void RequestLogOff() override { ++logOffs; }
    std::vector<UsageDay> days;
    void RecordDay(const UsageDay& day) override { days.push_back(day); }
    bool SetSystemClock(std::int64_t utcMs) override
    {
        clockResets.push_back(utcMs);
        if (clockSettable && clock_)
            clock_->wallUtc = utcMs;
        return clockSettable;
    }
    bool DayUseKeptElsewhere() override { return keptElsewhere; }
    bool locked = false;
    std::uint32_t idleSeconds = 0;
    bool Locked() override { return locked; }
    std::uint32_t IdleSeconds() override { return idleSeconds; }

private:
    FakeClock* clock_;
};

LocalTime At(int hour, int minute, int second, int day = 8)
{
    return {2026, 12, day, hour, minute, second, 0};
}

// User1's settings on Tuesday 8 December: an hour a day, used up, and the end of the time.
LockServiceSettings HourUsedUp(EndAction end)
{
    LockServiceSettings s;
    s.UserKey = "User1";
    s.RestrictByDuration = true;
    s.AllowedSeconds = 3600;
    s.CounterDay = DayNumber(2026, 12, 8);
    s.UsedSeconds = 3600;
    s.End = end;
    return s;
}

// Daylight saving from the last Sunday of March 02:00 to the last Sunday of October 03:00.
TimeZoneRules CentralEurope()
{
    TimeZoneRules europe;
    europe.bias = -60;
    europe.daylightBias = -60;
    europe.daylightDate = {0, 3, 0, 5, 0, 2, 0, 0, 0};
    europe.standardDate = {0, 10, 0, 5, 0, 3, 0, 0, 0};
    return europe;
}

class RestrictionsTest : public ::testing::Test {
protected:
    RestrictionsTest() { settings.UserKey = "User1"; }

    // One timer tick, real time moving on by the tick's 3 seconds first.
    void TimerTick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.Advance(kTickMilliseconds);
            restrictions.Tick(true);
        }
    }

    std::optional<RegValue> Counter(const char* code) const
    {
        return registry.Get(HKLM, kSettingsKeyPath, std::string("User1") + code);
    }

    // Whether the time of day expires the schedule of the periods (lines as the service holds them).
    bool Expires(const std::vector<std::string>& periods, const LocalTime& time)
    {
        LockServiceSettings s;
        s.RestrictBySchedule = true;
        s.Periods = periods;
        FakeClock c;
        c.SetWall(time);
        RecordingRestrictionHost h;
        TimeRestrictions r(s, c, registry, h);
        r.Tick(true);
        return r.TimeExpired();
    }

    LockServiceSettings settings;
    FakeClock clock;
    MemoryRegistry registry;
    RecordingRestrictionHost host{&clock};
    TimeRestrictions restrictions{settings, clock, registry, host};
};

TEST(TimeInPeriod, FromInclusiveTillExclusiveAcrossMidnightAndWholeDay)
{
    EXPECT_TRUE(TimeInPeriod(0.5, 0.5, 0.6));
    EXPECT_FALSE(TimeInPeriod(0.6, 0.5, 0.6));
    EXPECT_TRUE(TimeInPeriod(0.95, 0.9, 0.25));
    EXPECT_TRUE(TimeInPeriod(0.1, 0.9, 0.25));
    EXPECT_FALSE(TimeInPeriod(0.25, 0.9, 0.25));
    EXPECT_TRUE(TimeInPeriod(0.3, 0.4, 0.4));
    EXPECT_FALSE(TimeInPeriod(0.5, 1, 0));  // a period that allows nothing
}

TEST(ReadPeriodLine, NumbersWithALeadingZeroPutInFront)
{
    EXPECT_EQ(ReadPeriodLine("0.375=0.708333333333333"), (std::pair{0.375, 0.708333333333333}));
    EXPECT_EQ(ReadPeriodLine(".5=.75"), (std::pair{0.5, 0.75}));
    EXPECT_EQ(ReadPeriodLine("=0.5"), (std::pair{0.0, 0.5}));
    EXPECT_EQ(ReadPeriodLine("1.15740740740741e-05=0.5")->first, 1.15740740740741e-05);
    EXPECT_EQ(ReadPeriodLine("x=0.5"), std::nullopt);
    EXPECT_EQ(ReadPeriodLine("-0.5=0.5"), std::nullopt);  // "0-0.5" is no number
}

TEST_F(RestrictionsTest, PeriodBoundariesToTheSecond)
{
    const std::vector<std::string> office{"0.333333333333333=0.708333333333333"};  // 08:00 - 17:00
    EXPECT_FALSE(Expires(office, At(16, 59, 59)));
    EXPECT_TRUE(Expires(office, At(17, 0, 0)));
    EXPECT_FALSE(Expires(office, At(8, 0, 0)));
    EXPECT_TRUE(Expires(office, At(7, 59, 59)));
    // Every day of a year at 17:00 sharp: no rounding of the date lets one slip through.
    for (int day = 1; day <= 365; ++day) {
        const LocalTime time = FromDateTimeValue(DayNumber(2026, 1, 1) + day - 1 + 17.0 / 24.0);
        ASSERT_TRUE(Expires(office, time)) << day;
    }
}

TEST_F(RestrictionsTest, PeriodAcrossMidnightEqualEndsAndEmptyIntersections)
{
    const std::vector<std::string> night{"0.916666666666667=0.25"};  // 22:00 - 06:00
    EXPECT_FALSE(Expires(night, At(23, 0, 0)));
    EXPECT_FALSE(Expires(night, At(5, 59, 0)));
    EXPECT_TRUE(Expires(night, At(6, 0, 0)));
    EXPECT_TRUE(Expires(night, At(12, 0, 0)));
    EXPECT_FALSE(Expires({"0.5=0.5"}, At(3, 0, 0)));
    const std::vector<std::string> two{"0.333333333333333=0.5", "0.541666666666667=0.708333333333333"};
    for (int hour = 0; hour < 24; ++hour)
        EXPECT_TRUE(Expires(two, At(hour, 30, 0))) << hour;
    EXPECT_FALSE(Expires({}, At(3, 0, 0)));  // no enabled period: nothing to check
}

TEST_F(RestrictionsTest, EveryFailingLinePostsALockSignalAndOnlyTimerTicksPostAny)
{
    settings.RestrictBySchedule = true;
    settings.Periods = {"0.1=0.2", "0.3=0.4"};
    clock.SetWall(At(12, 0, 0));
    restrictions.Tick(false);  // the tick at start-up
    EXPECT_TRUE(restrictions.TimeExpired());
    EXPECT_EQ(host.lockSignals, 0);
    TimeRestrictions other(settings, clock, registry, host);
    other.Tick(true);
    EXPECT_EQ(host.lockSignals, 2);
}

TEST_F(RestrictionsTest, DurationOf1200TicksThenExpiry)
{
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 3600;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.SetWall(At(9, 0, 0));
    TimerTick(1200);
    EXPECT_FALSE(restrictions.TimeExpired());
    EXPECT_EQ(settings.UsedSeconds, 3600u);
    EXPECT_EQ(Counter("PDTC"), RegValue::Integer(3600));
    TimerTick();
    EXPECT_TRUE(restrictions.TimeExpired());
    EXPECT_EQ(host.lockSignals, 1);
}

TEST_F(RestrictionsTest, DayChangeWritesBothCountersBeforeCounting)
{
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2026, 12, 7);
    settings.UsedSeconds = 7000;
    clock.SetWall(At(0, 0, 1));
    restrictions.Tick(false);
    EXPECT_EQ(settings.CounterDay, DayNumber(2026, 12, 8));
    EXPECT_EQ(settings.UsedSeconds, 3u);
    EXPECT_EQ(registry.Writes(), (std::vector<std::string>{"User1PDDC", "User1PDTC", "User1PDTC"}));
    EXPECT_EQ(Counter("PDDC"), RegValue::Integer(DayNumber(2026, 12, 8)));
    EXPECT_EQ(Counter("PDTC"), RegValue::Integer(3));
}

TEST_F(RestrictionsTest, AClockSetByHandIsSetBackAndTheChecksGoOnWithTheTrustedTime)
{
    const std::vector<std::string> office{"0.333333333333333=0.708333333333333"};  // 08:00 - 17:00
    struct Case {
        const char* what;
        LocalTime setTo;
        bool resetAllowed;
    };
    for (const Case& c : {Case{"back two hours", At(14, 50, 0), true}, Case{"back two hours", At(14, 50, 0), false},
                          Case{"on to the next morning", At(9, 0, 0, 9), true},
                          Case{"on to the next morning", At(9, 0, 0, 9), false}}) {
        SCOPED_TRACE(std::string(c.what) + (c.resetAllowed ? ", reset allowed" : ", reset refused"));
        LockServiceSettings s;
        s.UserKey = "User1";
        s.RestrictBySchedule = s.RestrictByDuration = true;
        s.Periods = office;
        s.CounterDay = DayNumber(2026, 12, 8);
        FakeClock wall;
        wall.SetWall(At(16, 50, 0));
        RecordingRestrictionHost h(&wall);
        h.clockSettable = c.resetAllowed;
        TimeRestrictions r(s, wall, registry, h);
        r.Tick(true);
        wall.SetWall(c.setTo);
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        ASSERT_EQ(h.clockResets.size(), 1u);
        EXPECT_EQ(FromMillisecondsSince1601(h.clockResets[0]), At(16, 50, 3));
        EXPECT_EQ(*r.LastTickTime(), At(16, 50, 3));
        // 17:00 by the trusted time comes 199 ticks later, whatever the wall clock says.
        for (int tick = 0; tick < 198; ++tick) {
            wall.Advance(kTickMilliseconds);
            r.Tick(true);
        }
        EXPECT_FALSE(r.TimeExpired());
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        EXPECT_TRUE(r.TimeExpired());
        EXPECT_EQ(s.CounterDay, DayNumber(2026, 12, 8)) << "no day change by the wall clock";
        // A refused reset is tried at every tick; one that took needs no other.
        EXPECT_EQ(h.clockResets.size(), c.resetAllowed ? 1u : 200u);
    }
}

TEST_F(RestrictionsTest, ASmallChangeIsNoResetAndRepeatedPushesGainAlmostNothing)
{
    settings.RestrictBySchedule = true;
    clock.SetWall(At(10, 0, 0));
    restrictions.Tick(true);
    clock.wallUtc += 59000;
    TimerTick();
    EXPECT_TRUE(host.clockResets.empty());
    // Pushed on by 50 seconds before every tick, for 100 ticks.
    for (int tick = 0; tick < 100; ++tick) {
        clock.wallUtc += 50000;
        TimerTick();
    }
    const std::int64_t gained = MillisecondsSince1601(*restrictions.LastTickTime()) -
                                MillisecondsSince1601(At(10, 0, 0)) - 101 * std::int64_t{kTickMilliseconds};
    EXPECT_GE(gained, 0);
    EXPECT_LE(gained, 3030) << "at most 1 % of the 303 seconds that really passed";
}

TEST_F(RestrictionsTest, ResumeFromSleepIsFollowedWithoutAReset)
{
    settings.RestrictBySchedule = true;
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2026, 12, 8);
    settings.UsedSeconds = 3000;
    clock.SetWall(At(23, 50, 0));
    restrictions.Tick(true);
    clock.Advance(std::int64_t{7} * 3600 * 1000 + 40 * 60 * 1000);  // slept through the night
    TimerTick();
    EXPECT_TRUE(host.clockResets.empty());
    EXPECT_EQ(*restrictions.LastTickTime(), At(7, 30, 3, 9));
    EXPECT_EQ(settings.CounterDay, DayNumber(2026, 12, 9));  // a new day really began
    EXPECT_EQ(settings.UsedSeconds, 3u);
}

TEST_F(RestrictionsTest, WithoutTheScheduleRestrictionTheClockIsNotSetBack)
{
    clock.SetWall(At(10, 0, 0));
    restrictions.Tick(true);
    clock.SetWall(At(15, 0, 0));
    TimerTick();
    EXPECT_TRUE(host.clockResets.empty());
    EXPECT_EQ(*restrictions.LastTickTime(), At(10, 0, 3));  // the day's count is judged by trusted time all the same
}

TEST_F(RestrictionsTest, DaylightSavingIsFollowedAUserSwitchedTimeZoneIsNot)
{
    const TimeZoneRules europe = CentralEurope();
    clock.zone = europe;
    restrictions.UseZone(europe);
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2027, 3, 28);
    settings.UsedSeconds = 5000;
    clock.SetWall({2027, 3, 28, 1, 59, 57, 0});  // a Sunday, the night of the change
    restrictions.Tick(true);
    TimerTick();
    EXPECT_EQ(*restrictions.LastTickTime(), (LocalTime{2027, 3, 28, 3, 0, 0, 0}));

    TimeZoneRules farEast;  // the user moves to UTC+14, where it is already the next day
    farEast.bias = -840;
    clock.zone = farEast;
    TimerTick();
    EXPECT_EQ(*restrictions.LastTickTime(), (LocalTime{2027, 3, 28, 3, 0, 3, 0}));
    EXPECT_EQ(settings.CounterDay, DayNumber(2027, 3, 28));
    EXPECT_EQ(settings.UsedSeconds, 5009u);
    EXPECT_TRUE(host.clockResets.empty());
}

TEST_F(RestrictionsTest, AWeekdaysOwnPeriodsFollowItsLocalDayThroughTheShortAndTheLongDayNotAUsersZone)
{
    const TimeZoneRules europe = CentralEurope();
    TimeZoneRules farEast;  // where it is Monday already, which allows nothing
    farEast.bias = -840;
    // Sundays of 23 and 25 hours; the tick crosses the change inside Sunday's own period.
    struct Case {
        LocalTime before, after;
        DayPeriod sunday;
    } cases[] = {
        {{2027, 3, 28, 1, 59, 57, 0}, {2027, 3, 28, 3, 0, 0, 0}, {3600, 4 * 3600}},
        {{2027, 10, 31, 2, 59, 57, 0}, {2027, 10, 31, 3, 0, 0, 0}, {2 * 3600, 3 * 3600 + 1800}},
    };
    for (const Case& c : cases) {
        LockServiceSettings s;
        s.UserKey = "User1";
        s.RestrictBySchedule = true;
        s.OwnWeekdayRules = true;
        s.DayPeriods[6] = std::vector<DayPeriod>{c.sunday};
        s.DayPeriods[0] = std::vector<DayPeriod>{};
        FakeClock wall;
        wall.zone = europe;
        wall.SetWall(c.before);
        RecordingRestrictionHost h(&wall);
        TimeRestrictions r(s, wall, registry, h);
        r.UseZone(europe);
        r.Tick(true);
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        EXPECT_EQ(*r.LastTickTime(), c.after);
        wall.zone = farEast;
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        EXPECT_FALSE(r.TimeExpired()) << c.before.month;
    }
}

TEST_F(RestrictionsTest, AWeekdaysOwnPeriodsAndMinutesRuleThatDayAndTheStoredListTheOthers)
{
    // 8 December 2026 is a Tuesday: its own periods 16:00-18:00 and 20:00-21:00, one minute of
    // use; every other day keeps the stored 09:00-12:00 and a day's hour.
    settings.RestrictBySchedule = settings.RestrictByDuration = true;
    settings.Periods = {"0.375=0.5"};
    settings.AllowedSeconds = 3600;
    settings.OwnWeekdayRules = true;
    settings.DayPeriods[1] = std::vector<DayPeriod>{{16 * 3600, 18 * 3600}, {20 * 3600, 21 * 3600}};
    settings.DayAllowedSeconds[1] = 60;
    struct Case {
        const char* what;
        LocalTime time;
        std::uint32_t used;
        bool expires;
        bool perWeekday = true;
    } cases[] = {
        {"Tuesday's own period without rules per weekday", At(20, 30, 0), 0, true, false},
        {"Tuesday in the stored period only", At(10, 0, 0), 0, true},
        {"Tuesday in its second own period", At(20, 30, 0), 0, false},
        {"Tuesday with its minute used", At(20, 30, 0), 60, true},
        {"Wednesday in the stored period", At(10, 0, 0, 9), 0, false},
        {"Wednesday with more than Tuesday's minute used", At(10, 0, 0, 9), 600, false},
        {"Wednesday outside the stored period", At(17, 0, 0, 9), 0, true},
    };
    for (const Case& c : cases) {
        LockServiceSettings s = settings;
        s.OwnWeekdayRules = c.perWeekday;
        s.CounterDay = DayNumber(c.time.year, c.time.month, c.time.day);
        s.UsedSeconds = c.used;
        FakeClock wall;
        wall.SetWall(c.time);
        RecordingRestrictionHost h;
        TimeRestrictions r(s, wall, registry, h);
        r.Tick(true);
        EXPECT_EQ(r.TimeExpired(), c.expires) << c.what;
    }
}

TEST_F(RestrictionsTest, TheWeeksBudgetStartsAgainOnTheSystemsFirstWeekdayAndExpiresWhenSpent)
{
    settings.WeekAllowedSeconds = 9;
    settings.WeekCounterDay = DayNumber(2026, 11, 30);  // the Monday before
    settings.WeekUsedSeconds = 9;
    clock.SetWall(At(9, 0, 0, 7));  // Monday 7 December: a new week
    restrictions.Tick(false);
    EXPECT_EQ(settings.WeekCounterDay, DayNumber(2026, 12, 7));
    EXPECT_EQ(Counter("PWWD"), RegValue::Integer(DayNumber(2026, 12, 7)));
    EXPECT_EQ(Counter("PWWS"), RegValue::Integer(3));
    TimerTick(2);
    EXPECT_FALSE(restrictions.TimeExpired());
    TimerTick();
    EXPECT_TRUE(restrictions.TimeExpired()) << "9 seconds of the week used";
    EXPECT_EQ(settings.UsedSeconds, 0u) << "the day's count runs only with the day's restriction";

    // Where weeks start on Sunday, Sunday 13 December begins the next one; where on Monday, not.
    for (const auto& [firstWeekday, newWeek] : {std::pair{6, true}, std::pair{0, false}}) {
        LockServiceSettings s;
        s.UserKey = "User1";
        s.WeekAllowedSeconds = 9;
        s.WeekCounterDay = DayNumber(2026, 12, 7);
        s.WeekUsedSeconds = 9;
        FakeClock wall;
        wall.SetWall(At(9, 0, 0, 13));
        RecordingRestrictionHost h;
        TimeRestrictions r(s, wall, registry, h);
        r.UseFirstWeekday(firstWeekday);
        r.Tick(true);
        EXPECT_EQ(r.TimeExpired(), !newWeek) << firstWeekday;
    }
}

TEST_F(RestrictionsTest, OnlyRealUseCountsWhereSetAndTimeUsedUpStillExpires)
{
    struct Case {
        const char* what;
        bool notWhileLocked;
        std::int32_t idleMinutes;
        bool locked;
        std::uint32_t idleSeconds;
        bool counted;
    } cases[] = {
        {"by default everything counts", false, 0, true, 100000, true},
        {"locked, not counted", true, 0, true, 0, false},
        {"unlocked, counted", true, 0, false, 0, true},
        {"idle less than the minutes", false, 5, false, 299, true},
        {"idle the minutes", false, 5, false, 300, false},
        {"locked and set to count idle only", false, 5, true, 0, true},
        {"a limit of millions of minutes: never idle", false, 71582789, false, 100000, true},
    };
    for (const bool week : {false, true}) {
        for (const Case& c : cases) {
            LockServiceSettings s;
            s.UserKey = "User1";
            s.RestrictByDuration = true;
            s.AllowedSeconds = 60;
            if (week)
                s.DayAllowedSeconds[1] = 60;  // the week's rules judge Tuesday
            s.CounterDay = DayNumber(2026, 12, 8);
            s.NotCountedWhileLocked = c.notWhileLocked;
            s.IdleMinutes = c.idleMinutes;
            FakeClock wall;
            wall.SetWall(At(10, 0, 0));
            RecordingRestrictionHost h;
            h.locked = c.locked;
            h.idleSeconds = c.idleSeconds;
            TimeRestrictions r(s, wall, registry, h);
            r.Tick(true);
            EXPECT_EQ(s.UsedSeconds, c.counted ? 3u : 0u) << c.what << (week ? ", week's rules" : "");
            EXPECT_EQ(r.CountsNow(), c.counted) << c.what;
            s.UsedSeconds = 60;
            r.Tick(true);
            EXPECT_TRUE(r.TimeExpired()) << c.what << ": used up expires, counted or not";
        }
    }
}

TEST(KeepDayUse, AReloadNeverLowersTheDaysUse)
{
    struct Case {
        std::int32_t storedDay;
        std::uint32_t storedUsed;
        std::int32_t memoryDay;
        std::uint32_t memoryUsed;
        std::int32_t day;
        std::uint32_t used;
    };
    for (const Case& c : {Case{100, 600, 100, 10260, 100, 10260},  // the stored count could not be written
                          Case{100, 900, 100, 300, 100, 900},      // stored by another process later
                          Case{99, 7000, 100, 60, 100, 60},        // a stale day in the key
                          Case{101, 30, 100, 9000, 101, 30}}) {    // the key already has the next day
        LockServiceSettings loaded;
        loaded.CounterDay = c.storedDay;
        loaded.UsedSeconds = c.storedUsed;
        KeepDayUse(loaded, c.memoryDay, c.memoryUsed);
        EXPECT_EQ(loaded.CounterDay, c.day);
        EXPECT_EQ(loaded.UsedSeconds, c.used);
        // The week's use is kept the same way.
        loaded.WeekCounterDay = c.storedDay;
        loaded.WeekUsedSeconds = c.storedUsed;
        KeepWeekUse(loaded, c.memoryDay, c.memoryUsed);
        EXPECT_EQ(loaded.WeekCounterDay, c.day);
        EXPECT_EQ(loaded.WeekUsedSeconds, c.used);
    }
}

TEST_F(RestrictionsTest, GracePeriodEndsWithTheShutdownAtThe102ndTick)
{
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 0;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.SetWall(At(9, 0, 0));
    TimerTick();  // t0 expires
    ASSERT_TRUE(restrictions.TimeExpired());
    TimerTick(101);
    EXPECT_EQ(host.shutdowns, 0);
    EXPECT_EQ(restrictions.GraceElapsed(), 303000u);
    TimerTick();
    EXPECT_EQ(host.shutdowns, 1);
    // Nothing clears the expiry: neither an unlock nor a reload of the settings.
    settings.RestrictByDuration = false;
    TimerTick();
    EXPECT_TRUE(restrictions.TimeExpired());
    EXPECT_EQ(host.lockSignals, 1);
}

TEST_F(RestrictionsTest, EachEndOfTheTimeAndAHeldLockThatLiftsWhenTimeIsAllowedOrTheAdministratorUnlocks)
{
    // Tuesday 8 December, the day's hour used up at 09:00.
    struct Case {
        EndAction end;
        int shutdowns, logOffs;
    } cases[] = {{EndAction::ShutDown, 1, 0}, {EndAction::LogOff, 0, 1}, {EndAction::StayLocked, 0, 0}};
    for (const Case& c : cases) {
        LockServiceSettings s = HourUsedUp(c.end);
        FakeClock wall;
        wall.SetWall(At(9, 0, 0));
        RecordingRestrictionHost h;
        TimeRestrictions r(s, wall, registry, h);
        for (int i = 0; i < 103; ++i) {
            wall.Advance(kTickMilliseconds);
            r.Tick(true);
        }
        EXPECT_EQ(h.shutdowns, c.shutdowns);
        EXPECT_EQ(h.logOffs, c.logOffs);
        EXPECT_TRUE(r.TimeExpired());
        EXPECT_EQ(r.HeldLocked(), c.end == EndAction::StayLocked);
    }

    // A start outside the allowed time posts no lock at once; held, the first timer tick locks,
    // and so does any tick that finds the lock gone, but not one that finds it there.
    {
        LockServiceSettings s = HourUsedUp(EndAction::StayLocked);
        FakeClock wall;
        wall.SetWall(At(9, 0, 0));
        RecordingRestrictionHost h;
        TimeRestrictions r(s, wall, registry, h);
        r.Tick(false);
        r.AfterStartupTick();
        EXPECT_EQ(h.lockSignals, 0);
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        EXPECT_EQ(h.lockSignals, 1);
        h.locked = true;
        wall.Advance(kTickMilliseconds);
        r.Tick(true);
        EXPECT_EQ(h.lockSignals, 1);
    }

    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 3600;
    settings.End = EndAction::StayLocked;
    settings.CounterDay = DayNumber(2026, 12, 8);
    settings.UsedSeconds = 3600;
    clock.SetWall(At(23, 59, 51));
    TimerTick();
    ASSERT_TRUE(restrictions.HeldLocked());
    // An unlock that is no administrator's while held is refused before it comes here.
    TimerTick();
    EXPECT_TRUE(restrictions.HeldLocked());
    TimerTick();  // midnight: a new day's hour
    EXPECT_FALSE(restrictions.TimeExpired());
    EXPECT_EQ(settings.UsedSeconds, 0u);

    // Held again, the administrator unlocks: the rest of that day, then the rules again.
    settings.UsedSeconds = 3600;
    TimerTick();
    ASSERT_TRUE(restrictions.HeldLocked());
    restrictions.AdministratorUnlocked();
    TimerTick(10);
    EXPECT_FALSE(restrictions.TimeExpired());
    clock.Advance(86400000);
    TimerTick();  // the next day
    settings.UsedSeconds = 3600;
    TimerTick();
    EXPECT_TRUE(restrictions.HeldLocked());
    EXPECT_EQ(host.shutdowns + host.logOffs, 0);
}

TEST_F(RestrictionsTest, AFinishedDayGoesToTheUsageHistoryUnlessTheGuardianKeepsIt)
{
    for (const bool keptElsewhere : {false, true}) {
        LockServiceSettings s;
        s.UserKey = "User1";
        s.RestrictByDuration = true;
        s.AllowedSeconds = 3600;
        s.CounterDay = DayNumber(2026, 12, 8);
        s.UsedSeconds = 3600 - 3;
        FakeClock wall;
        wall.SetWall(At(23, 59, 51));
        RecordingRestrictionHost h;
        h.keptElsewhere = keptElsewhere;
        TimeRestrictions r(s, wall, registry, h);
        for (int i = 0; i < 3; ++i) {  // the last seconds, the expiry, then midnight
            wall.Advance(kTickMilliseconds);
            r.Tick(true);
        }
        const std::vector<UsageDay> expected{{DayNumber(2026, 12, 8), 60, 60, 0, true}};
        EXPECT_EQ(h.days, keptElsewhere ? std::vector<UsageDay>{} : expected);
    }
}

TEST_F(RestrictionsTest, AFamilysWeekAsStoredIsEnforcedAsSet)
{
    // Monday to Friday 16:00-18:00, at most 1 h; weekends 10:00-12:00 and 15:00-19:00, at most
    // 3 h; 8 h a week; locked time not counted; log off at the end.
    const auto set = [this](const std::string& code, RegValue value) { registry.Set(HKLM, kSettingsKeyPath, "anna" + code, value); };
    set("PWTL", RegValue::Integer(1));
    set("PWTD", RegValue::Integer(1));
    set("PWWR", RegValue::Integer(1));
    for (int day = 1; day <= 7; ++day) {
        set("PWD" + std::to_string(day), RegValue::String(day <= 5 ? "16:00-18:00" : "10:00-12:00,15:00-19:00"));
        set("PWM" + std::to_string(day), RegValue::Integer(day <= 5 ? 60 : 180));
    }
    set("PWWM", RegValue::Integer(480));
    set("PWSL", RegValue::Integer(1));
    set("PWEA", RegValue::Integer(1));
    struct Case {
        const char* what;
        LocalTime time;
        std::uint32_t usedToday, usedThisWeek;
        bool locked, expires;
    } cases[] = {
        {"Wednesday 17:00, nothing used", At(17, 0, 0, 9), 0, 0, false, false},
        {"Wednesday 15:59", At(15, 59, 0, 9), 0, 0, false, true},
        {"Wednesday 17:00 with the hour used", At(17, 0, 0, 9), 3600, 3600, false, true},
        {"Saturday 11:00 with an hour used", At(11, 0, 0, 12), 3600, 3600, false, false},
        {"Saturday 13:00, between the periods", At(13, 0, 0, 12), 0, 0, false, true},
        {"Sunday 18:30 with 2 h 59 min used", At(18, 30, 0, 13), 3 * 3600 - 60, 3 * 3600 - 60, false, false},
        {"Sunday 16:00 with the week's 8 h used", At(16, 0, 0, 13), 0, 8 * 3600, false, true},
        {"Friday 17:00, locked, not counted", At(17, 0, 0, 11), 0, 0, true, false},
    };
    for (const Case& c : cases) {
        LockServiceSettings s;
        ASSERT_TRUE(LoadServiceSettings(s, registry, "anna", "", RegionalFormats{}).empty());
        const std::int32_t day = DayNumber(c.time.year, c.time.month, c.time.day);
        s.CounterDay = day;
        s.UsedSeconds = c.usedToday;
        s.WeekCounterDay = WeekStartOf(day, 0);
        s.WeekUsedSeconds = c.usedThisWeek;
        FakeClock wall;
        wall.SetWall(c.time);
        RecordingRestrictionHost h;
        h.locked = c.locked;
        TimeRestrictions r(s, wall, registry, h);
        r.Tick(true);
        EXPECT_EQ(r.TimeExpired(), c.expires) << c.what;
        EXPECT_EQ(s.UsedSeconds, c.usedToday + (c.expires || c.locked ? 0u : kTickSeconds)) << c.what;
        for (int i = 0; c.expires && i < 102; ++i) {
            wall.Advance(kTickMilliseconds);
            r.Tick(true);
        }
        EXPECT_EQ(h.logOffs, c.expires ? 1 : 0) << c.what;
        EXPECT_EQ(h.shutdowns, 0) << c.what;
    }
}

TEST_F(RestrictionsTest, AGrantLiftsTheExpiryAndItsShutdownCountsNothingAndOutlivesARestart)
{
    // Tuesday 8 December, the day's hour and the week's budget both used up at 17:00; every end.
    for (const EndAction end : {EndAction::ShutDown, EndAction::LogOff, EndAction::StayLocked}) {
        registry = MemoryRegistry();
        LockServiceSettings s = HourUsedUp(end);
        s.WeekAllowedSeconds = 4 * 3600;
        s.WeekCounterDay = WeekStartOf(s.CounterDay, 0);
        s.WeekUsedSeconds = 4 * 3600;
        FakeClock wall;
        wall.SetWall(At(17, 0, 0));
        RecordingRestrictionHost h(&wall);
        TimeRestrictions r(s, wall, registry, h);
        const auto tick = [&](int count) {
            for (int i = 0; i < count; ++i) {
                wall.Advance(kTickMilliseconds);
                r.Tick(true);
            }
        };
        tick(50);
        ASSERT_TRUE(r.TimeExpired());
        r.TakeGrant(*Granted(s.Grant, GrantChoice::Of(15), r.MomentNow()));
        EXPECT_FALSE(r.TimeExpired()) << "the expiry ends at once";
        EXPECT_EQ(r.GraceLeft(), kGraceMilliseconds);
        EXPECT_EQ(r.StandingNow()->secondsLeft, 15 * 60);
        // The grant's quarter of an hour passes without an end of the time, and counts nothing.
        tick(14 * 20 + 9);
        EXPECT_FALSE(r.TimeExpired());
        EXPECT_FALSE(r.Counting());
        EXPECT_EQ(h.shutdowns + h.logOffs, 0);
        EXPECT_EQ(s.UsedSeconds, 3600u);
        EXPECT_EQ(s.WeekUsedSeconds, 4u * 3600);
        // A restart goes on with the grant the settings keep; the expiry comes back at its end,
        // with a whole grace.
        LockServiceSettings stored;
        LoadServiceSettings(stored, registry, "User1", "", RegionalFormats{});
        ASSERT_EQ(stored.Grant, s.Grant);
        LockServiceSettings loaded = s;
        loaded.Grant = stored.Grant;
        TimeRestrictions again(loaded, wall, registry, h);
        again.Tick(false);
        EXPECT_FALSE(again.TimeExpired());
        wall.Advance(kTickMilliseconds * 12);
        again.Tick(true);
        EXPECT_TRUE(again.TimeExpired()) << "15 minutes after the grant";
        EXPECT_EQ(again.GraceLeft(), kGraceMilliseconds);
        // A reload keeps the grant in memory; a grant of an earlier day is over.
        LockServiceSettings reloaded;
        KeepGrant(reloaded, loaded.Grant);
        EXPECT_EQ(reloaded.Grant, loaded.Grant);
        again.TakeGrant({DayNumber(2026, 12, 7), 86400, 3600});
        EXPECT_TRUE(again.TimeExpired());
        // Without a keeper of the day, the day's line says what was granted.
        wall.Advance(7 * 3600 * 1000);  // past midnight
        again.Tick(true);
        ASSERT_FALSE(h.days.empty());
        EXPECT_EQ(h.days.back().minutesGranted, 15u);
    }
}

TEST_F(RestrictionsTest, ExpiryAtStartUpShutsDownAtTheFirstTimerTick)
{
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 3600;
    settings.UsedSeconds = 3600;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.SetWall(At(9, 0, 0));
    restrictions.Tick(false);
    restrictions.AfterStartupTick();
    EXPECT_EQ(host.lockSignals, 0);
    EXPECT_EQ(restrictions.GraceElapsed(), kGraceAtStartup);
    TimerTick();
    EXPECT_EQ(host.shutdowns, 1);

    // A start that goes on with an earlier run's expiry keeps what was left of its grace.
    RecordingRestrictionHost next;
    TimeRestrictions continued(settings, clock, registry, next);
    continued.Tick(false);
    continued.AfterStartupTick(6000);
    EXPECT_EQ(continued.GraceLeft(), 6000u);
    for (int tick = 0; tick < 3; ++tick)
        continued.Tick(true);
    EXPECT_EQ(next.shutdowns, 0);
    continued.Tick(true);
    EXPECT_EQ(next.shutdowns, 1);
}

TEST_F(RestrictionsTest, StartUpWithinTheAllowedTimeKeepsTheGracePeriod)
{
    clock.SetWall(At(9, 0, 0));
    restrictions.Tick(false);
    restrictions.AfterStartupTick();
    EXPECT_FALSE(restrictions.TimeExpired());
    EXPECT_EQ(restrictions.GraceElapsed(), 0u);
}

TEST_F(RestrictionsTest, UnwritableKeyKeepsTheCountersInMemory)
{
    registry.CreateKey(HKLM, kSettingsKeyPath);
    registry.DenyFullAccess(HKLM, kSettingsKeyPath);
    settings.RestrictByDuration = true;
    clock.SetWall(At(9, 0, 0));
    TimerTick(10);
    EXPECT_EQ(settings.CounterDay, DayNumber(2026, 12, 8));
    EXPECT_EQ(settings.UsedSeconds, 30u);
    EXPECT_TRUE(registry.Writes().empty());

    MemoryRegistry writable;  // a key that opens but refuses the write
    writable.FailWritesOf("User1PDTC");
    TimeRestrictions other(settings, clock, writable, host);
    EXPECT_NO_THROW(other.Tick(true));
    EXPECT_EQ(settings.UsedSeconds, 33u);
}

TEST_F(RestrictionsTest, WhereTheGuardianKeepsTheDayItsCountRulesAndNothingIsWrittenHere)
{
    host.keptElsewhere = true;
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 3600;
    clock.SetWall(At(9, 0, 0));
    TimerTick(2);
    EXPECT_TRUE(registry.Writes().empty());
    const std::int32_t today = DayNumber(2026, 12, 8);
    restrictions.TakeKeptDayUse(today, 3000);  // counted before a restart of the lock service
    EXPECT_EQ(settings.UsedSeconds, 3000u);
    restrictions.TakeKeptDayUse(today, 10);  // never lowered
    EXPECT_EQ(settings.UsedSeconds, 3000u);
    restrictions.TakeKeptDayUse(today, 3600);
    TimerTick();
    EXPECT_TRUE(restrictions.TimeExpired());
}

TEST_F(RestrictionsTest, BadCountersAndLimits)
{
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.SetWall(At(9, 0, 0));
    // A negative count read from the registry is a huge unsigned one: the day is used up.
    settings.UsedSeconds = static_cast<std::uint32_t>(-5);
    restrictions.Tick(true);
    EXPECT_TRUE(restrictions.TimeExpired());

    for (const std::int64_t allowed : {std::int64_t{0}, std::int64_t{-3600}}) {
        LockServiceSettings s = settings;
        s.UsedSeconds = 0;
        s.AllowedSeconds = allowed;  // PWTH 0 or negative: no time at all
        TimeRestrictions r(s, clock, registry, host);
        r.Tick(true);
        EXPECT_TRUE(r.TimeExpired()) << allowed;
    }

    LockServiceSettings future = settings;
    future.CounterDay = DayNumber(2027, 1, 1);  // a day from the future is another day: restart
    future.UsedSeconds = 999999;
    TimeRestrictions r(future, clock, registry, host);
    r.Tick(true);
    EXPECT_FALSE(r.TimeExpired());
    EXPECT_EQ(future.CounterDay, DayNumber(2026, 12, 8));
    EXPECT_EQ(future.UsedSeconds, 3u);
}

}  // namespace
}  // namespace vardex
