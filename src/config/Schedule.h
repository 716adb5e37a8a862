#pragma once
// A user's allowed periods: the stored schedule text ("08:00 - 12:30=1;13:00 - 17:30=0;"), its
// form for editing and the lock service's period list ("0.375=0.708333333333333").
#include "common/TimeFormat.h"

#include <string>
#include <string_view>
#include <vector>

namespace vardex {

struct SchedulePeriod {
    std::string text;  // "08:00 - 12:30", kept as written
    bool enabled = false;
    bool operator==(const SchedulePeriod&) const = default;
};

// The periods of a schedule text as the configuration window edits them.
std::vector<SchedulePeriod> DecodeSchedule(std::string_view scheduleText);
std::string EncodeSchedule(const std::vector<SchedulePeriod>& periods);

// What ParseSchedule did with the entries of a schedule text.
struct ScheduleParseResult {
    int added = 0;        // enabled periods appended to the list
    int unreadable = 0;   // entries whose times could not be read, left out
};

// Appends a line "from=till" (fractions of a day) for every enabled period of the text.
// Entries are separated by ";" or ","; a missing mark counts as enabled; an entry whose times
// the regional time parser cannot read is left out and counted.
ScheduleParseResult ParseSchedule(std::string_view scheduleText, const RegionalFormats& formats,
                                  std::vector<std::string>& periodList);

}  // namespace vardex
