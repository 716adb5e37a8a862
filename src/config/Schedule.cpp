#include "Schedule.h"

#include "common/Text.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vardex {

std::vector<SchedulePeriod> DecodeSchedule(std::string_view scheduleText)
{
    std::vector<SchedulePeriod> periods;
    for (const std::string_view entry : SplitPieces(scheduleText, ";")) {
        const std::vector<std::string_view> pieces = SplitPieces(entry, "=");
        if (pieces.empty())
            continue;
        periods.push_back({std::string(pieces[0]), pieces.size() > 1 && pieces[1] == "1"});
    }
    return periods;
}

std::string EncodeSchedule(const std::vector<SchedulePeriod>& periods)
{
    std::string text;
    for (const SchedulePeriod& period : periods)
        text += period.text + "=" + (period.enabled ? "1" : "0") + ";";
    return text;
}

namespace {
constexpr int kSecondsPerDay = 86400;

std::string_view PieceOrEmpty(const std::vector<std::string_view>& pieces, size_t index)
{
    return index < pieces.size() ? pieces[index] : std::string_view();
}

// An enabled entry of a schedule text, with its times when they can be read.
struct EnabledPeriod {
    std::string_view text;
    std::optional<double> from, till;
};

std::vector<EnabledPeriod> EnabledPeriods(std::string_view scheduleText, const RegionalFormats& formats)
{
    std::vector<EnabledPeriod> periods;
    for (const std::string_view entry : SplitPieces(scheduleText, ";,")) {
        const std::vector<std::string_view> parts = SplitPieces(entry, "=");
        if (TrimControl(PieceOrEmpty(parts, 1)) == "0")
            continue;
        const std::vector<std::string_view> times = SplitPieces(PieceOrEmpty(parts, 0), "-");
        periods.push_back({TrimControl(PieceOrEmpty(parts, 0)),
                           ParseTimeOfDay(formats, TrimControl(PieceOrEmpty(times, 0))),
                           ParseTimeOfDay(formats, TrimControl(PieceOrEmpty(times, 1)))});
    }
    return periods;
}

// Seconds of the day from a start (included) till an end (left out), the end at most a day.
using Span = std::pair<int, int>;

int SecondOfDay(double fraction)
{
    return std::clamp(static_cast<int>(std::lround(fraction * kSecondsPerDay)), 0, kSecondsPerDay);
}

// A period as spans within one day: two when it crosses midnight, the whole day when its two
// times are the same (as the lock service reads them).
std::vector<Span> SpansOf(double from, double till)
{
    const int f = SecondOfDay(from) % kSecondsPerDay, u = SecondOfDay(till) % kSecondsPerDay;
    if (f == u)
        return {{0, kSecondsPerDay}};
    if (f < u)
        return {{f, u}};
    std::vector<Span> spans;
    for (const Span& span : {Span{0, u}, Span{f, kSecondsPerDay}})
        if (span.first < span.second)
            spans.push_back(span);
    return spans;
}

std::vector<Span> Common(const std::vector<Span>& a, const std::vector<Span>& b)
{
    std::vector<Span> common;
    for (const Span& x : a)
        for (const Span& y : b)
            if (const Span both{std::max(x.first, y.first), std::min(x.second, y.second)}; both.first < both.second)
                common.push_back(both);
    std::sort(common.begin(), common.end());
    return common;
}

std::string TimeText(const RegionalFormats& formats, int second)
{
    second %= kSecondsPerDay;  // the end of the day is midnight
    return FormatShortTime(formats, second / 3600, second / 60 % 60);
}
}  // namespace

ScheduleParseResult ParseSchedule(std::string_view scheduleText, const RegionalFormats& formats,
                                  std::vector<std::string>& periodList)
{
    ScheduleParseResult result;
    for (const EnabledPeriod& period : EnabledPeriods(scheduleText, formats)) {
        if (period.from && period.till) {
            periodList.push_back(FormatGeneral15(*period.from) + "=" + FormatGeneral15(*period.till));
        } else {
            periodList.push_back(kNoTimePeriodLine);
            result.unreadable.emplace_back(period.text);
        }
        ++result.added;
    }
    return result;
}

ScheduleSummary SummarizeSchedule(std::string_view scheduleText, const RegionalFormats& formats, const Texts& texts)
{
    const std::vector<EnabledPeriod> periods = EnabledPeriods(scheduleText, formats);
    if (periods.empty())
        return {texts.Get(TextId::ScheduleAllDayNoneChecked), false};
    std::vector<Span> allowed{{0, kSecondsPerDay}};
    for (const EnabledPeriod& period : periods) {
        if (!period.from || !period.till)
            return {texts.Format(TextId::ScheduleUnreadable, {period.text}), true};
        allowed = Common(allowed, SpansOf(*period.from, *period.till));
    }
    if (allowed.empty())
        return {texts.Get(TextId::ScheduleNoCommonTime), true};
    if (allowed.front() == Span{0, kSecondsPerDay})
        return {texts.Get(TextId::ScheduleAllDay), false};
    // A span that ends at midnight and one that starts there are one period across midnight.
    if (allowed.size() > 1 && allowed.front().first == 0 && allowed.back().second == kSecondsPerDay) {
        allowed.back().second = kSecondsPerDay + allowed.front().second;
        allowed.erase(allowed.begin());
    }
    std::string spans;
    for (size_t i = 0; i < allowed.size(); ++i)
        spans += (i ? ", " : "") + TimeText(formats, allowed[i].first) + "\u2013" + TimeText(formats, allowed[i].second);
    return {texts.Format(TextId::ScheduleAllowed, {spans}), false};
}

}  // namespace vardex
