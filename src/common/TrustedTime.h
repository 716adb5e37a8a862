#pragma once
// The time the restrictions judge by. It moves with real elapsed time (which counts sleep, so a
// resume from sleep is followed, and which nobody can set), so a wall clock set by hand moves it
// not at all. While the wall clock agrees with it within the tolerance, it is drawn towards the
// wall clock, at most 1 % of the elapsed time: small corrections of the wall clock are followed,
// and a clock pushed on by less than the tolerance at every tick gains next to nothing.
// Local time comes from the time-zone rules of the start, so a daylight-saving change is
// followed and a time zone switched by the user is not.
#include "Clock.h"

#include <cstdint>

namespace vardex {

// How far the wall clock may drift from elapsed time before it counts as set by hand.
inline constexpr std::int64_t kClockToleranceMs = 60000;
// The wall clock draws the trusted time by at most elapsed time divided by this.
inline constexpr std::int64_t kFollowDivisor = 100;

class TrustedTime {
public:
    explicit TrustedTime(Clock& clock) : clock_(clock) {}

    // The time-zone rules that local time is judged by from now on.
    void UseZone(const TimeZoneRules& zone) noexcept { zone_ = zone; }

    struct Reading {
        std::int64_t utcMs = 0;  // milliseconds since 1 January 1601
        LocalTime local;
        bool wallClockAgrees = true;  // false: the wall clock was set by hand
    };
    Reading Read();

private:
    Clock& clock_;
    TimeZoneRules zone_;
    bool started_ = false;
    std::int64_t utc_ = 0;
    std::int64_t lastElapsed_ = 0;
};

}  // namespace vardex
