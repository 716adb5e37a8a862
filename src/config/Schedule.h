#pragma once
// A user's allowed periods: the stored schedule text ("08:00 - 12:30=1;13:00 - 17:30=0;"), its
// form for editing and the lock service's period list ("0.375=0.708333333333333").
#include "common/TimeFormat.h"
#include "common/Texts.h"

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

// The period list line of a period that allows no time at all (from 24:00 till 00:00).
inline constexpr const char* kNoTimePeriodLine = "1=0";

// What ParseSchedule did with the entries of a schedule text.
struct ScheduleParseResult {
    int added = 0;                        // lines appended to the list
    std::vector<std::string> unreadable;  // enabled periods whose times could not be read
};

// Appends a line "from=till" (fractions of a day) for every enabled period of the text.
// Entries are separated by ";" or ","; a missing mark counts as enabled. An enabled period whose
// times cannot be read allows no time (kNoTimePeriodLine): a schedule the service cannot read
// must not lift the restriction.
ScheduleParseResult ParseSchedule(std::string_view scheduleText, const RegionalFormats& formats,
                                  std::vector<std::string>& periodList);

// What the enabled periods of a schedule text allow together, read as ParseSchedule reads them:
// the lock service requires every one of them at once, each from its start (included) till its
// end (left out), across midnight when the end comes first.
struct ScheduleSummary {
    // "Allowed: 09:00–12:00", "Allowed: all day (no period is checked)", "No time is allowed: ..."
    std::string text;
    bool allowsNoTime = false;
    bool operator==(const ScheduleSummary&) const = default;
};
ScheduleSummary SummarizeSchedule(std::string_view scheduleText, const RegionalFormats& formats,
                                  const Texts& texts = EnglishTexts());

}  // namespace vardex
