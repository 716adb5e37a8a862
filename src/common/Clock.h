#pragma once
// The local date and time as the logic sees it; tests use a controlled clock.
#include "DateTime.h"

namespace vardex {

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

}  // namespace vardex
