// Times one service tick of the time restrictions, with both restrictions on and the day's
// counter written to an in-memory registry each tick, for the every-day rule and beside it for a
// full week grid: bench_service_tick [ticks]. (One tick judges one user, however many others
// the settings hold.)
#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "service/Restrictions.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class NullHost final : public vardex::RestrictionHost {
public:
    void PostLockSignal() override {}
    void RequestShutdown() override {}
    void RequestLogOff() override {}
    void RecordDay(const vardex::UsageDay&) override {}
    bool SetSystemClock(std::int64_t) override { return false; }
    bool DayUseKeptElsewhere() override { return false; }
};

// The nanoseconds of one tick with these settings; false when they expired within the run.
bool TimeTicks(vardex::LockServiceSettings settings, long ticks, double& nanoseconds)
{
    using namespace vardex;
    test::FakeClock clock;
    test::MemoryRegistry registry;
    NullHost host;
    TimeRestrictions restrictions(settings, clock, registry, host);
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < ticks; ++i) {
        clock.Advance(3000);
        restrictions.Tick(true);
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    nanoseconds = elapsed.count() / static_cast<double>(ticks);
    return !restrictions.TimeExpired();
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace vardex;
    const long ticks = argc > 1 ? std::atol(argv[1]) : 1000000;
    LockServiceSettings everyDay;
    everyDay.UserKey = "User1";
    everyDay.RestrictByDuration = true;
    everyDay.RestrictBySchedule = true;
    everyDay.AllowedSeconds = 86400L * 1000;  // never expires within the run
    everyDay.Periods = {"0=0.999999", "0.000001=1", "0.5=0.5"};
    // A full week grid: every half-hour of every day painted as a period of its own, each day's
    // minutes and a week's budget (none of them runs out within the run).
    LockServiceSettings week = everyDay;
    for (std::size_t day = 0; day < 7; ++day) {
        std::vector<DayPeriod> halves;
        for (std::int32_t half = 0; half < 48; ++half)
            halves.push_back({half * 1800, (half + 1) * 1800});
        week.DayPeriods[day] = halves;
        week.DayAllowedSeconds[day] = 86400L * 1000;
    }
    week.WeekAllowedSeconds = 86400L * 7000;
    double everyDayNs = 0, weekNs = 0;
    const bool held = TimeTicks(everyDay, ticks, everyDayNs) && TimeTicks(week, ticks, weekNs);
    std::printf("%ld ticks each, counters written each tick:\n", ticks);
    std::printf("  every-day rule (both restrictions, 3 periods): %.0f ns a tick\n", everyDayNs);
    std::printf("  full week grid (48 periods a day, day and week budgets): %.0f ns a tick (%.2f times)\n", weekNs,
                weekNs / everyDayNs);
    return held ? 0 : 1;
}
