#include "Schedule.h"

#include "common/Text.h"

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
std::string_view PieceOrEmpty(const std::vector<std::string_view>& pieces, size_t index)
{
    return index < pieces.size() ? pieces[index] : std::string_view();
}
}  // namespace

ScheduleParseResult ParseSchedule(std::string_view scheduleText, const RegionalFormats& formats,
                                  std::vector<std::string>& periodList)
{
    ScheduleParseResult result;
    for (const std::string_view entry : SplitPieces(scheduleText, ";,")) {
        const std::vector<std::string_view> parts = SplitPieces(entry, "=");
        if (TrimControl(PieceOrEmpty(parts, 1)) == "0")
            continue;
        const std::vector<std::string_view> times = SplitPieces(PieceOrEmpty(parts, 0), "-");
        const std::optional<double> from = ParseTimeOfDay(formats, TrimControl(PieceOrEmpty(times, 0)));
        const std::optional<double> till = ParseTimeOfDay(formats, TrimControl(PieceOrEmpty(times, 1)));
        if (from && till) {
            periodList.push_back(FormatGeneral15(*from) + "=" + FormatGeneral15(*till));
        } else {
            periodList.push_back(kNoTimePeriodLine);
            result.unreadable.emplace_back(TrimControl(PieceOrEmpty(parts, 0)));
        }
        ++result.added;
    }
    return result;
}

}  // namespace vardex
