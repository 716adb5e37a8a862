#pragma once
// Time the administrator grants a user on top of the rules (DayGrant, in WeekRules.h): how a
// choice becomes the day's grant, how it is stored and told, and its line in the statistics log.
#include "WeekRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vardex {

enum class GrantKind { Minutes, Until, RestOfDay };

// What the administrator chose: so many minutes from now, until a time of today, or the rest of
// today.
struct GrantChoice {
    GrantKind kind = GrantKind::Minutes;
    std::int32_t minutes = 0;  // Minutes: 1 to 1440
    std::int32_t until = 0;    // Until: the second of the day
    bool operator==(const GrantChoice&) const = default;
    static GrantChoice Of(std::int32_t minutes) { return {GrantKind::Minutes, minutes, 0}; }
    static GrantChoice Until(std::int32_t second) { return {GrantKind::Until, 0, second}; }
    static GrantChoice RestOfDay() { return {GrantKind::RestOfDay, 0, 0}; }
};

// True for a choice within its bounds.
bool IsValidChoice(const GrantChoice& choice) noexcept;

// The day's grant after the choice made at now, on top of before (a grant of an earlier day is
// over): it ends at the later of the two ends, and its seconds grow by what the new end adds
// after now and after the earlier end. Nothing when the choice is not valid or ends at or before
// now (a time of today already past).
std::optional<DayGrant> Granted(const std::optional<DayGrant>& before, const GrantChoice& choice, LocalMoment now);

// The grant that holds after a reload or a keeper's word: the newer day's, and on the same day
// the one that ends later with the larger count; a grant is never lowered.
std::optional<DayGrant> LaterGrant(const std::optional<DayGrant>& a, const std::optional<DayGrant>& b) noexcept;

// As stored: "DAY UNTIL SECONDS"; nothing for any other text or a grant out of its bounds.
std::string EncodeDayGrant(const DayGrant& grant);
std::optional<DayGrant> ParseDayGrant(std::string_view text);
bool IsDayGrantText(std::string_view text);

// How the administrator proved it.
enum class GrantProof { Password, Code };

// The statistics log's event: "Time Granted 60 min (password)", "Time Granted until 18:30
// (code)", "Time Granted rest of day (password)".
std::string GrantEventText(const GrantChoice& choice, GrantProof proof);
inline constexpr std::string_view kTimeGrantedPrefix = "Time Granted ";
// True for an event text of that form.
bool IsGrantEventText(std::string_view text);

// The choice as the lock service asks the guardian for it: "min N", "until S", "rest".
std::string EncodeGrantChoice(const GrantChoice& choice);
std::optional<GrantChoice> ParseGrantChoice(std::string_view text);

}  // namespace vardex
