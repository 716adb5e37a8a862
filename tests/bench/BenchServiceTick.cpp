// Times one service tick of the time restrictions, with both restrictions on and the day's
// counter written to an in-memory registry each tick: bench_service_tick [ticks].
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
    bool SetSystemClock(std::int64_t) override { return false; }
    bool DayUseKeptElsewhere() override { return false; }
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace vardex;
    const long ticks = argc > 1 ? std::atol(argv[1]) : 1000000;
    LockServiceSettings settings;
    settings.UserKey = "User1";
    settings.RestrictByDuration = true;
    settings.RestrictBySchedule = true;
    settings.AllowedSeconds = 86400L * 1000;  // never expires within the run
    settings.Periods = {"0=0.999999", "0.000001=1", "0.5=0.5"};
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
    std::printf("%ld ticks: %.0f ns a tick (both restrictions, 3 periods, counter written each tick)\n", ticks,
                elapsed.count() / static_cast<double>(ticks));
    return restrictions.TimeExpired() ? 1 : 0;
}
