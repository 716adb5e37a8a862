#pragma once
// The statistics logs: one file per user key in the program's folder, one line per unlock
// attempt. Their fixed form, the one way lines are added to them (by the lock service, or by the
// guardian on its behalf), the users the statistics view lists, and the hot-key field's value as
// the stored shortcut code.
#include "common/DateTime.h"
#include "common/Files.h"
#include "common/SystemFacts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr const char* kAccessPermitted = "Access Permitted";
inline constexpr const char* kAccessDenied = "Access Denied";

// A log's most bytes. 1 MiB holds some 27,000 lines of 38 bytes: ten years of a user who
// unlocks seven times a day, every day. A log that reaches it keeps its newest half, so that no
// log outgrows what the statistics view reads at once, and a program that floods one cannot
// fill the disk.
inline constexpr std::uint64_t kStatisticsLogCap = 1 << 20;

// Appends the line (with its line end) to the log, creating the file when missing. When the
// file would pass cap, it is written anew instead: its newest whole lines within half the cap,
// then the line. A file whose size or lines cannot be read, or that cannot be written anew, is
// appended to as it is, never written anew with less. IoError when the line cannot be written.
void AppendToStatisticsLog(FileSystem& files, const std::string& path, const std::string& line,
                           std::uint64_t cap = kStatisticsLogCap);
// The same for a file that starts with a head (a header line, with its line end): the head is
// written first when the file is created and when it is written anew.
void AppendKeepingHead(FileSystem& files, const std::string& path, const std::string& head, const std::string& line,
                       std::uint64_t cap);

// Whether the line (without its line end) has the form the lock service writes:
// "dd/mm/yyyy hh:nn:ss Event" with plausible fields, the regional separators (one to three
// characters of the code page, blanks among them, but no digit and no control character, the
// same twice within the date and within the time), and one of the events: the two of an entry
// at the prompt, or a grant of time ("Time Granted 60 min (password)", rules/Grants.h).
bool IsStatisticsLogLine(std::string_view line);

// A line of that form, read: the date and time as written, the event, and whether it was a
// permitted access or a grant.
struct StatisticsEntry {
    LocalTime when;
    bool permitted = false;
    bool granted = false;
    std::string event;
    bool operator==(const StatisticsEntry&) const = default;
};
std::optional<StatisticsEntry> ParseStatisticsLogLine(std::string_view line);

// The user keys that have a log ("name.log" in the folder), in the order of SortedNames.
std::vector<std::string> StatisticsUsers(FileSystem& files, SystemFacts& system, const std::string& programDirectory);

// The user's log in the program's folder.
std::string StatisticsLogPath(const std::string& programDirectory, const std::string& userKey);
// Empties the user's log; IoError when it cannot be written.
void ClearStatisticsLog(FileSystem& files, const std::string& programDirectory, const std::string& userKey);

// A log's lines held in memory, handed out from the newest back, as LineCursor would take them
// (without their line ends, each cut at maxLineBytes): the statistics view shows the newest at
// once and the older ones as the administrator scrolls up to them.
class NewestFirstLines {
public:
    explicit NewestFirstLines(std::string bytes = {}, size_t maxLineBytes = 4096)
        : bytes_(std::move(bytes)), maxLineBytes_(maxLineBytes), start_(bytes_.size())
    {
    }
    bool AtStart() const noexcept { return start_ == 0; }
    // The line before the ones already taken; empty at the start.
    std::string Previous();

private:
    std::string bytes_;
    size_t maxLineBytes_;
    size_t start_;  // where the oldest line taken so far begins
};

}  // namespace vardex
