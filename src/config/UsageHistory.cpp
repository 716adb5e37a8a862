#include "UsageHistory.h"

#include "ConfigTree.h"
#include "Settings.h"
#include "StatisticsLogs.h"
#include "UserRules.h"
#include "common/DateTime.h"

#include <algorithm>
#include <charconv>

namespace vardex {

namespace {
constexpr const char* kUsageSuffix = ".usage.csv";
// The most minutes a field holds: a day's, with room for a count that ran on.
constexpr std::uint32_t kMostMinutes = 99999;

// A field of digits only, at most kMostMinutes.
std::optional<std::uint32_t> ReadMinutes(std::string_view text)
{
    std::uint32_t value = 0;
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > kMostMinutes)
        return std::nullopt;
    return value;
}

// Takes the text up to the next comma (or the end) off the front.
std::string_view NextField(std::string_view& rest)
{
    const size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return field;
}

void AppendNumber(std::string& text, std::uint32_t value, int width = 1)
{
    const std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        text.append(static_cast<size_t>(width) - digits.size(), '0');
    text += digits;
}
}  // namespace

std::string IsoDate(std::int32_t day)
{
    const LocalTime date = FromDateTimeValue(day);
    std::string text;
    text.reserve(10);
    AppendNumber(text, static_cast<std::uint32_t>(date.year), 4);
    text += '-';
    AppendNumber(text, static_cast<std::uint32_t>(date.month), 2);
    text += '-';
    AppendNumber(text, static_cast<std::uint32_t>(date.day), 2);
    return text;
}

std::optional<std::int32_t> ReadIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int parts[3] = {};
    const std::string_view fields[] = {text.substr(0, 4), text.substr(5, 2), text.substr(8, 2)};
    for (int i = 0; i < 3; ++i) {
        for (const char c : fields[i]) {
            if (c < '0' || c > '9')
                return std::nullopt;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    }
    if (parts[0] < 1900 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > DaysInMonth(parts[0], parts[1]))
        return std::nullopt;
    return DayNumber(parts[0], parts[1], parts[2]);
}

std::string UsageLine(const UsageDay& day)
{
    std::string line = IsoDate(day.day);
    line += ',';
    AppendNumber(line, std::min(day.minutesUsed, kMostMinutes));
    line += ',';
    if (day.minutesAllowed)
        AppendNumber(line, std::min(*day.minutesAllowed, kMostMinutes));
    line += ',';
    AppendNumber(line, std::min(day.minutesGranted, kMostMinutes));
    line += day.expired ? ",1" : ",0";
    return line;
}

std::optional<UsageDay> ParseUsageLine(std::string_view line)
{
    std::string_view rest = line;
    const std::optional<std::int32_t> date = ReadIsoDate(NextField(rest));
    const std::optional<std::uint32_t> used = ReadMinutes(NextField(rest));
    const std::string_view allowedText = NextField(rest);
    const std::optional<std::uint32_t> allowed = ReadMinutes(allowedText);
    const std::optional<std::uint32_t> granted = ReadMinutes(NextField(rest));
    const std::string_view expired = rest;
    if (!date || !used || (!allowed && !allowedText.empty()) || !granted || (expired != "0" && expired != "1"))
        return std::nullopt;
    return UsageDay{*date, *used, allowed, *granted, expired == "1"};
}

std::vector<UsageDay> ReadUsageHistory(std::string_view bytes)
{
    std::vector<UsageDay> days;
    days.reserve(bytes.size() / 24);
    while (!bytes.empty()) {
        const size_t end = bytes.find_first_of("\r\n");
        // A last line without its end may have been cut while written: it is no line yet.
        if (end == std::string_view::npos)
            break;
        if (const std::optional<UsageDay> day = ParseUsageLine(bytes.substr(0, end)))
            days.push_back(*day);
        bytes.remove_prefix(end + 1);
    }
    return days;
}

std::string UsageHistoryPath(const std::string& programDirectory, const std::string& userKey)
{
    return programDirectory + userKey + kUsageSuffix;
}

std::vector<std::string> UsersWithStatistics(FileSystem& files, SystemFacts& system, const std::string& programDirectory)
{
    std::vector<std::string> users = StatisticsUsers(files, system, programDirectory);
    const size_t suffix = std::string_view(kUsageSuffix).size();
    for (const std::string& name : files.ListFiles(programDirectory, kUsageSuffix))
        if (std::string user = name.substr(0, name.size() - suffix); std::find(users.begin(), users.end(), user) == users.end())
            users.push_back(std::move(user));
    return SortedNames(std::move(users), system);
}

void AppendUsageDay(FileSystem& files, const std::string& path, const UsageDay& day, std::uint64_t cap)
{
    AppendKeepingHead(files, path, std::string(kUsageHistoryHeader) + "\r\n", UsageLine(day) + "\r\n", cap);
}

std::optional<std::uint32_t> AllowedMinutes(Registry& registry, const std::string& userKey,
                                            const std::string& programDirectory, int firstWeekday, std::int32_t day)
{
    LockServiceSettings settings;
    // The day's hours do not depend on the periods: the formats they are read with do not matter.
    LoadServiceSettings(settings, registry, userKey, programDirectory, RegionalFormats{});
    const std::optional<std::int64_t> seconds = DayAllowance(WeekRulesOf(settings, firstWeekday), day);
    if (!seconds)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(*seconds / 60, 0, kMostMinutes));
}

}  // namespace vardex
