#pragma once
#include "Clock.h"

namespace vardex {

// The local date and time of the system.
class Win32Clock final : public Clock {
public:
    LocalTime Now() override;
};

}  // namespace vardex
