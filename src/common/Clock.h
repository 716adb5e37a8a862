#pragma once
// The clocks the logic reads; tests use controlled ones.
#include "DateTime.h"
#include "TimeZone.h"

#include <cstdint>

namespace vardex {

class Clock {
public:
    virtual ~Clock() = default;
    // The wall clock's local date and time, as anybody may have set it.
    virtual LocalTime Now() = 0;
    // The wall clock in UTC, milliseconds since 1 January 1601.
    virtual std::int64_t UtcNow() = 0;
    // Milliseconds of real time since a fixed point, counting sleep and hibernation; nobody
    // can set it.
    virtual std::int64_t ElapsedMs() = 0;
    // The time-zone rules in force now.
    virtual TimeZoneRules Zone() = 0;
};

}  // namespace vardex
