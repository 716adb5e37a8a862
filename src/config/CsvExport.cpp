#include "CsvExport.h"

#include "StatisticsLogs.h"


namespace vardex {

namespace {
std::string TwoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string Minutes(std::uint32_t minutes)
{
    return std::to_string(minutes);
}
}  // namespace

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void AppendCsvRow(std::string& out, const std::vector<std::string_view>& fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        out += CsvField(fields[i]);
    }
    out += "\r\n";
}

std::string UnlockLogCsv(const std::vector<UserStatistics>& users)
{
    std::string out = kUtf8ByteOrderMark;
    AppendCsvRow(out, {"user", "date", "time", "event"});
    for (const UserStatistics& user : users) {
        out.reserve(out.size() + user.logBytes.size() + user.logBytes.size() / 2);
        LineCursor lines(user.logBytes);
        while (!lines.AtEnd()) {
            const std::optional<StatisticsEntry> entry = ParseStatisticsLogLine(lines.Next());
            if (!entry)
                continue;
            const LocalTime& when = entry->when;
            const std::string date = IsoDate(DayNumber(when.year, when.month, when.day));
            const std::string time = TwoDigits(when.hour) + ':' + TwoDigits(when.minute) + ':' + TwoDigits(when.second);
            AppendCsvRow(out, {user.user, date, time, entry->event});
        }
    }
    return out;
}

std::string UsageCsv(const std::vector<UserStatistics>& users)
{
    std::string out = kUtf8ByteOrderMark;
    AppendCsvRow(out, {"user", "date", "minutes_used", "minutes_allowed", "minutes_granted", "expired"});
    for (const UserStatistics& user : users) {
        for (const UsageDay& day : user.usage) {
            const std::string allowed = day.minutesAllowed ? Minutes(*day.minutesAllowed) : std::string();
            AppendCsvRow(out, {user.user, IsoDate(day.day), Minutes(day.minutesUsed), allowed, Minutes(day.minutesGranted),
                               day.expired ? "1" : "0"});
        }
    }
    return out;
}

std::string UsageExportPath(const std::string& logExportPath)
{
    const size_t folderEnd = logExportPath.find_last_of("\\/");
    const size_t dot = logExportPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (folderEnd == std::string::npos || dot > folderEnd + 1);
    const std::string stem = hasExtension ? logExportPath.substr(0, dot) : logExportPath;
    return stem + " usage" + (hasExtension ? logExportPath.substr(dot) : std::string(".csv"));
}

}  // namespace vardex
