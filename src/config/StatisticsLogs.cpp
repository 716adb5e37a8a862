#include "StatisticsLogs.h"

#include "rules/Grants.h"

#include "ConfigTree.h"
#include "common/Errors.h"
#include "common/Text.h"

#include <algorithm>
#include <optional>

namespace vardex {

namespace {
constexpr const char* kLogSuffix = ".log";
// Shift, Ctrl and Alt: the hot-key field's modifier bit and the stored shortcut's.
// The log written anew when adding the line would pass the cap: its newest whole lines, the line
// last. Nothing when the line fits, or when the file cannot be measured or read: it is then
// appended to as it is rather than shortened on a guess.
std::optional<std::string> RotatedLog(FileSystem& files, const std::string& path, const std::string& head,
                                      const std::string& line, std::uint64_t cap)
{
    try {
        if (files.Size(path) + line.size() <= cap)
            return std::nullopt;
        const std::uint64_t half = cap / 2, added = head.size() + line.size();
        const auto room = static_cast<size_t>(half > added ? half - added : 0);
        std::string kept = ReadNewestLines(files, path, room).bytes;
        if (!kept.empty() && kept.back() != '\n' && kept.back() != '\r')
            kept += "\r\n";  // the file's last line had no end: the new one must not join it
        return head + kept + line;
    } catch (const IoError&) {
        return std::nullopt;
    }
}

// A number field of a line: its fixed width and its plausible range.
struct FieldRule {
    size_t digits;
    int least, most;
};
constexpr FieldRule kDateFields[] = {{2, 1, 31}, {2, 1, 12}, {4, 0, 9999}};
constexpr FieldRule kTimeFields[] = {{2, 0, 23}, {2, 0, 59}, {2, 0, 59}};

// A line taken field by field from its start.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : text_(text) {}

    bool Number(const FieldRule& rule, int& value)
    {
        if (text_.size() < rule.digits)
            return false;
        value = 0;
        for (const char c : text_.substr(0, rule.digits)) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        text_.remove_prefix(rule.digits);
        return value >= rule.least && value <= rule.most;
    }
    // The longest run of separator characters, up to the most a regional separator has; empty
    // when there is none.
    std::string_view Separator()
    {
        size_t length = 0;
        while (length < kMostSeparatorCharacters && length < text_.size() && IsSeparatorCharacter(text_[length]))
            ++length;
        const std::string_view separator = text_.substr(0, length);
        text_.remove_prefix(length);
        return separator;
    }
    bool Literal(std::string_view literal)
    {
        if (!text_.starts_with(literal))
            return false;
        text_.remove_prefix(literal.size());
        return true;
    }
    std::string_view Rest() const noexcept { return text_; }

private:
    // Windows keeps the date and time separators in four characters with the terminating NUL.
    static constexpr size_t kMostSeparatorCharacters = 3;
    // What a regional separator may hold: blanks too (". " in some short dates) and the code
    // page's letters, but no digit and no control character.
    static bool IsSeparatorCharacter(char c) noexcept
    {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= ' ' && byte != 0x7F && (byte < '0' || byte > '9');
    }

    std::string_view text_;
};

// Three fields with the same separator twice between them, as the date and the time are written.
bool ScanFields(LineScanner& scan, const FieldRule (&fields)[3], int (&values)[3])
{
    if (!scan.Number(fields[0], values[0]))
        return false;
    const std::string_view separator = scan.Separator();
    return !separator.empty() && scan.Number(fields[1], values[1]) && scan.Literal(separator) &&
           scan.Number(fields[2], values[2]);
}
}  // namespace

void AppendToStatisticsLog(FileSystem& files, const std::string& path, const std::string& line, std::uint64_t cap)
{
    AppendKeepingHead(files, path, {}, line, cap);
}

void AppendKeepingHead(FileSystem& files, const std::string& path, const std::string& head, const std::string& line,
                       std::uint64_t cap)
{
    if (!files.Exists(path)) {
        if (head.empty())
            files.CreateEmpty(path);  // a failure shows when appending
        else
            files.Replace(path, head);
    }
    if (const std::optional<std::string> rotated = RotatedLog(files, path, head, line, cap)) {
        try {
            files.Replace(path, *rotated);
            return;
        } catch (const IoError&) {
            // Refused on opening, with nothing changed (a file that another program has open,
            // a hidden one on Windows): the line is kept all the same.
        }
    }
    files.Append(path, line);
}

bool IsStatisticsLogLine(std::string_view line)
{
    return ParseStatisticsLogLine(line).has_value();
}

std::optional<StatisticsEntry> ParseStatisticsLogLine(std::string_view line)
{
    LineScanner scan(line);
    int date[3], time[3];
    if (!ScanFields(scan, kDateFields, date) || !scan.Literal(" ") || !ScanFields(scan, kTimeFields, time) ||
        !scan.Literal(" "))
        return std::nullopt;
    const std::string_view event = scan.Rest();
    const bool granted = IsGrantEventText(event);
    if (event != kAccessPermitted && event != kAccessDenied && !granted)
        return std::nullopt;
    StatisticsEntry entry;
    entry.when = {date[2], date[1], date[0], time[0], time[1], time[2], 0};
    entry.permitted = event == kAccessPermitted;
    entry.granted = granted;
    entry.event = std::string(event);
    return entry;
}

std::vector<std::string> StatisticsUsers(FileSystem& files, SystemFacts& system, const std::string& programDirectory)
{
    std::vector<std::string> users;
    for (const std::string& name : files.ListFiles(programDirectory, kLogSuffix))
        users.push_back(name.substr(0, name.size() - 4));
    return SortedNames(std::move(users), system);
}

std::string StatisticsLogPath(const std::string& programDirectory, const std::string& userKey)
{
    return programDirectory + userKey + kLogSuffix;
}

void ClearStatisticsLog(FileSystem& files, const std::string& programDirectory, const std::string& userKey)
{
    files.Replace(StatisticsLogPath(programDirectory, userKey), std::string());
}

std::string NewestFirstLines::Previous()
{
    if (AtStart())
        return {};
    // The oldest line taken so far is preceded by its line end: CR LF, LF or CR. Before the first
    // line taken, the end of the bytes may have none.
    size_t end = start_;
    if (end < bytes_.size() || bytes_[end - 1] == '\n' || bytes_[end - 1] == '\r') {
        const bool lineFeed = bytes_[end - 1] == '\n';
        --end;
        if (lineFeed && end > 0 && bytes_[end - 1] == '\r')
            --end;
    }
    const size_t before = end == 0 ? std::string::npos : bytes_.find_last_of("\r\n", end - 1);
    start_ = before == std::string::npos ? 0 : before + 1;
    return bytes_.substr(start_, std::min(end - start_, maxLineBytes_));
}

}  // namespace vardex
