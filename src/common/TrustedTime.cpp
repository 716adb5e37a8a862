#include "TrustedTime.h"

#include <algorithm>

namespace vardex {

TrustedTime::Reading TrustedTime::Read()
{
    const std::int64_t wall = clock_.UtcNow();
    const std::int64_t elapsed = clock_.ElapsedMs();
    Reading reading;
    if (!started_) {
        started_ = true;
        utc_ = wall;
    } else {
        const std::int64_t step = std::max<std::int64_t>(elapsed - lastElapsed_, 0);
        utc_ += step;
        const std::int64_t drift = wall - utc_;
        reading.wallClockAgrees = drift >= -kClockToleranceMs && drift <= kClockToleranceMs;
        if (reading.wallClockAgrees) {
            const std::int64_t pull = step / kFollowDivisor;
            utc_ += std::clamp(drift, -pull, pull);
        }
    }
    lastElapsed_ = elapsed;
    reading.utcMs = utc_;
    reading.local = LocalFromUtc(utc_, zone_);
    return reading;
}

}  // namespace vardex
