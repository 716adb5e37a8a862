#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "service/Restrictions.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeClock;
using test::MemoryRegistry;
constexpr auto HKLM = RootKey::LocalMachine;

class RecordingRestrictionHost final : public RestrictionHost {
public:
    int lockSignals = 0;
    int shutdowns = 0;
    bool clockSettable = true;
    std::vector<LocalTime> clockResets;

    void PostLockSignal() override { ++lockSignals; }
    void RequestShutdown() override { ++shutdowns; }
    bool SetLocalTime(const LocalTime& time) override
    {
        clockResets.push_back(time);
        return clockSettable;
    }
};

LocalTime At(int hour, int minute, int second, int day = 8)
{
    return {2026, 12, day, hour, minute, second, 0};
}

// The time ms milliseconds later (or earlier).
LocalTime Plus(const LocalTime& t, std::int64_t ms)
{
    return FromDateTimeValue(ToDateTimeValue(t) + static_cast<double>(ms) / static_cast<double>(kMillisecondsPerDay));
}

class RestrictionsTest : public ::testing::Test {
protected:
    RestrictionsTest() { settings.UserKey = "User1"; }

    // One timer tick, the clock moving on by the tick's 3 seconds first.
    void TimerTick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.now = Plus(clock.now, kTickMilliseconds);
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
        c.now = time;
        RecordingRestrictionHost h;
        TimeRestrictions r(s, c, registry, h);
        r.Tick(true);
        return r.TimeExpired();
    }

    LockServiceSettings settings;
    FakeClock clock;
    MemoryRegistry registry;
    RecordingRestrictionHost host;
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
    clock.now = At(12, 0, 0);
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
    clock.now = At(9, 0, 0);
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
    clock.now = At(0, 0, 1);
    restrictions.Tick(false);
    EXPECT_EQ(settings.CounterDay, DayNumber(2026, 12, 8));
    EXPECT_EQ(settings.UsedSeconds, 3u);
    EXPECT_EQ(registry.Writes(), (std::vector<std::string>{"User1PDDC", "User1PDTC", "User1PDTC"}));
    EXPECT_EQ(Counter("PDDC"), RegValue::Integer(DayNumber(2026, 12, 8)));
    EXPECT_EQ(Counter("PDTC"), RegValue::Integer(3));
}

TEST_F(RestrictionsTest, ClockGuardSetsBackBigJumpsAndAcceptsSmallOnes)
{
    settings.RestrictBySchedule = true;
    clock.now = At(10, 0, 0);
    restrictions.Tick(true);
    clock.now = Plus(clock.now, 59000);
    restrictions.Tick(true);
    EXPECT_TRUE(host.clockResets.empty());
    EXPECT_EQ(*restrictions.LastTickTime(), At(10, 0, 59));

    clock.now = At(12, 1, 0);  // set forward by two hours
    restrictions.Tick(true);
    ASSERT_EQ(host.clockResets.size(), 1u);
    EXPECT_EQ(host.clockResets[0], At(10, 0, 59));
    EXPECT_EQ(*restrictions.LastTickTime(), At(10, 0, 59));

    clock.now = At(10, 1, 2);  // the clock took the reset
    restrictions.Tick(true);
    EXPECT_EQ(host.clockResets.size(), 1u);
    EXPECT_EQ(*restrictions.LastTickTime(), At(10, 1, 2));

    clock.now = At(9, 59, 0);  // set back by more than a minute is a change too
    restrictions.Tick(true);
    EXPECT_EQ(host.clockResets.size(), 2u);
}

TEST_F(RestrictionsTest, ResumeFromStandbyAndARefusedResetIsRetriedEveryTick)
{
    settings.RestrictBySchedule = true;
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2026, 12, 8);
    host.clockSettable = false;
    clock.now = At(23, 50, 0);
    restrictions.Tick(true);
    clock.now = At(7, 30, 0, 9);  // the computer slept through the night
    TimerTick(3);
    ASSERT_EQ(host.clockResets.size(), 3u);
    for (const LocalTime& reset : host.clockResets)
        EXPECT_EQ(reset, At(23, 50, 0));
    // The day and the periods keep using the recorded time: no day change yet.
    EXPECT_EQ(settings.CounterDay, DayNumber(2026, 12, 8));
}

TEST_F(RestrictionsTest, WithoutTheScheduleRestrictionTheClockIsNotGuarded)
{
    clock.now = At(10, 0, 0);
    restrictions.Tick(true);
    clock.now = At(15, 0, 0);
    restrictions.Tick(true);
    EXPECT_TRUE(host.clockResets.empty());
    EXPECT_EQ(*restrictions.LastTickTime(), At(15, 0, 0));
}

TEST_F(RestrictionsTest, GracePeriodEndsWithTheShutdownAtThe102ndTick)
{
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 0;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.now = At(9, 0, 0);
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

TEST_F(RestrictionsTest, ExpiryAtStartUpShutsDownAtTheFirstTimerTick)
{
    settings.RestrictByDuration = true;
    settings.AllowedSeconds = 3600;
    settings.UsedSeconds = 3600;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.now = At(9, 0, 0);
    restrictions.Tick(false);
    restrictions.AfterStartupTick();
    EXPECT_EQ(host.lockSignals, 0);
    EXPECT_EQ(restrictions.GraceElapsed(), kGraceAtStartup);
    TimerTick();
    EXPECT_EQ(host.shutdowns, 1);
}

TEST_F(RestrictionsTest, StartUpWithinTheAllowedTimeKeepsTheGracePeriod)
{
    clock.now = At(9, 0, 0);
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
    clock.now = At(9, 0, 0);
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

TEST_F(RestrictionsTest, BadCountersAndLimits)
{
    settings.RestrictByDuration = true;
    settings.CounterDay = DayNumber(2026, 12, 8);
    clock.now = At(9, 0, 0);
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
