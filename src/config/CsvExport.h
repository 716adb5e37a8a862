#pragma once
// The statistics view's export: the unlock logs and the usage histories as CSV files that a
// spreadsheet opens as they are (RFC 4180: a header row, CR LF line ends, a field quoted when it
// holds a comma, a quote, CR or LF, its quotes doubled; UTF-8 with a byte order mark, by which
// spreadsheets tell the encoding). A user column comes first, so that everyone's rows can go in
// one file.
#include "UsageHistory.h"

#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr const char* kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One field as it is written.
std::string CsvField(std::string_view text);
// The fields with commas between them and the line end after them, appended to out.
void AppendCsvRow(std::string& out, const std::vector<std::string_view>& fields);

// A user's data as read from its files: the log's bytes and the usage history's days.
struct UserStatistics {
    std::string user;  // the user key, UTF-8
    std::string logBytes;
    std::vector<UsageDay> usage;
};

// "user,date,time,event": a row per line of the log's form, the date as yyyy-mm-dd and the time
// as hh:mm:ss whatever the separators they were written with; other lines are left out.
std::string UnlockLogCsv(const std::vector<UserStatistics>& users);
// "user,date,minutes_used,minutes_allowed,minutes_granted,expired", a row per day.
std::string UsageCsv(const std::vector<UserStatistics>& users);

// Where the usage history goes beside the log's file the administrator named: "stats.csv" ->
// "stats usage.csv" (the same folder, the name before the extension with " usage").
std::string UsageExportPath(const std::string& logExportPath);

}  // namespace vardex
