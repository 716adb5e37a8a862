#pragma once
// A user's stored settings read as the week's rules: the one reading that the lock service's
// tick, the guardian's usage history and the configuration window's "today" line share, so that
// none of them can judge a day differently.
#include "Settings.h"
#include "rules/WeekRules.h"

#include <optional>
#include <string>
#include <utility>

namespace vardex {

// A period list line "from=till" as the two day fractions ("0" put in front of each side, so an
// empty side reads as 0); nothing when a side is not a number.
std::optional<std::pair<double, double>> ReadPeriodLine(const std::string& line);

// Whether the settings use any of the week's additions: without them the restrictions are the
// every-day rule alone, as they always were.
bool UsesWeekRules(const LockServiceSettings& settings) noexcept;

// The settings' rules as the week's rules judge them: the stored period list and hours as the
// every-day rule, each weekday's own values over it when the user has rules per weekday.
WeekRules WeekRulesOf(const LockServiceSettings& settings, int firstWeekday);

}  // namespace vardex
