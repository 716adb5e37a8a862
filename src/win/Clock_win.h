#pragma once
#include "common/Clock.h"

namespace vardex {

// The system's clocks: the wall clock, the tick count (which counts sleep) and the time zone.
class Win32Clock final : public Clock {
public:
    LocalTime Now() override;
    std::int64_t UtcNow() override;
    std::int64_t ElapsedMs() override;
    TimeZoneRules Zone() override;
};

}  // namespace vardex
