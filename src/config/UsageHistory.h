#pragma once
// The usage history: how long each listed user used the computer, a line per finished day, in a
// file per user key beside the statistics logs ("Anna.usage.csv": not a "*.log", so the
// statistics view does not take it for a log). The guardian writes it when it sees a user's day
// change; the statistics view charts it and exports it.
//
// The file is CSV, ASCII, with CR LF line ends, appended to and never rewritten but to keep it
// within its cap (its newest half then stays, under the header):
//
//   date,minutes_used,minutes_allowed,minutes_granted,expired
//   2026-12-08,95,120,0,1
//   2026-12-09,20,,0,0
//
// date: the day, yyyy-mm-dd; minutes_used: the whole minutes counted that day; minutes_allowed:
// the day's hours when they were restricted, empty otherwise; minutes_granted: minutes given on
// top that day (0: none); expired: 1 when the user's time expired that day. A line that is not
// whole or not of this form is skipped when read.
#include "common/Files.h"
#include "common/Registry.h"
#include "common/SystemFacts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr const char* kUsageHistoryHeader = "date,minutes_used,minutes_allowed,minutes_granted,expired";
// Some 10,000 days of lines: decades of a user, and a small read for the statistics view.
inline constexpr std::uint64_t kUsageHistoryCap = 256 << 10;

struct UsageDay {
    std::int32_t day = 0;  // the day number (days since 30 December 1899)
    std::uint32_t minutesUsed = 0;
    std::optional<std::uint32_t> minutesAllowed;
    std::uint32_t minutesGranted = 0;
    bool expired = false;
    bool operator==(const UsageDay&) const = default;
};

// "yyyy-mm-dd" of a day number, and back (nothing when the text is no such date).
std::string IsoDate(std::int32_t day);
std::optional<std::int32_t> ReadIsoDate(std::string_view text);

// A day's line, without its line end; a line read (without its line end), nothing when it is not
// of the form.
std::string UsageLine(const UsageDay& day);
std::optional<UsageDay> ParseUsageLine(std::string_view line);

// The days of a file's bytes in the file's order; the header and every line not of the form
// (a partial last line among them) are left out.
std::vector<UsageDay> ReadUsageHistory(std::string_view bytes);

std::string UsageHistoryPath(const std::string& programDirectory, const std::string& userKey);
// The user keys with a statistics log or a usage history in the folder, in the order of
// SortedNames.
std::vector<std::string> UsersWithStatistics(FileSystem& files, SystemFacts& system, const std::string& programDirectory);
// Appends the day's line, creating the file with its header; IoError when it cannot be written.
void AppendUsageDay(FileSystem& files, const std::string& path, const UsageDay& day,
                    std::uint64_t cap = kUsageHistoryCap);

// The minutes the user's stored settings allow on the day; nothing when the day's hours are not
// restricted.
std::optional<std::uint32_t> AllowedMinutes(Registry& registry, const std::string& userKey,
                                            const std::string& programDirectory, int firstWeekday, std::int32_t day);

}  // namespace vardex
