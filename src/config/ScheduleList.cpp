#include "ScheduleList.h"

#include "common/Text.h"

#include <cmath>
#include <utility>

namespace vardex {

namespace {
std::string_view FromPart(std::string_view text)
{
    return TrimControl(TextBefore(text, '-'));
}

std::string_view TillPart(std::string_view text)
{
    const size_t dash = text.find('-');
    return dash == std::string_view::npos ? std::string_view() : TrimControl(text.substr(dash + 1));
}

ClockTime ToClock(std::optional<double> fraction)
{
    if (!fraction)
        return {};
    const auto seconds = static_cast<int>(std::lround(*fraction * 86400)) % 86400;
    return {seconds / 3600, seconds / 60 % 60, seconds % 60};
}
}  // namespace

void ScheduleList::Load(std::string_view scheduleText)
{
    items_ = DecodeSchedule(scheduleText);
    selected_.reset();
    Sort();
}

void ScheduleList::Select(std::optional<size_t> index) noexcept
{
    selected_ = index && *index < items_.size() ? index : std::nullopt;
}

void ScheduleList::SetChecked(size_t index, bool checked)
{
    if (index < items_.size())
        items_[index].enabled = checked;
}

std::string ScheduleList::NormalizeTime(const ClockTime& time) const
{
    return FormatShortTime(formats_, time.hour, time.minute);
}

std::optional<std::string> ScheduleList::PeriodText(const ClockTime& from, const ClockTime& till) const
{
    const std::string f = NormalizeTime(from), t = NormalizeTime(till);
    if (f == t)
        return std::nullopt;
    return f + " - " + t;
}

std::pair<ClockTime, ClockTime> ScheduleList::SelectedTimes() const
{
    if (!selected_)
        return {};
    const std::string& text = items_[*selected_].text;
    return {ToClock(ParseTimeOfDay(formats_, FromPart(text))), ToClock(ParseTimeOfDay(formats_, TillPart(text)))};
}

bool ScheduleList::IsReadable(size_t index) const
{
    const std::string& text = items_.at(index).text;
    return ParseTimeOfDay(formats_, FromPart(text)) && ParseTimeOfDay(formats_, TillPart(text));
}

std::optional<double> ScheduleList::StartOf(const SchedulePeriod& period) const
{
    return ParseTimeOfDay(formats_, FromPart(period.text));
}

void ScheduleList::Sort()
{
    // Each later item that starts strictly earlier is exchanged with the one at i: items with
    // the same start keep their order, and one whose start cannot be read stays where it is.
    for (size_t i = 0; i < items_.size(); ++i)
        for (size_t j = i + 1; j < items_.size(); ++j) {
            const std::optional<double> a = StartOf(items_[i]), b = StartOf(items_[j]);
            if (!a || !b || !(*b < *a))
                continue;
            std::swap(items_[i], items_[j]);
            if (selected_ == i)
                selected_ = j;
            else if (selected_ == j)
                selected_ = i;
        }
}

void ScheduleList::Add(const std::string& periodText)
{
    items_.push_back({periodText, true});
    selected_ = items_.size() - 1;
    Sort();
}

bool ScheduleList::Edit(const std::string& periodText)
{
    if (!selected_)
        return false;
    items_[*selected_] = {periodText, true};
    Sort();
    return true;
}

bool ScheduleList::Remove()
{
    if (!selected_)
        return false;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*selected_));
    if (items_.empty())
        selected_.reset();
    else if (*selected_ >= items_.size())
        selected_ = items_.size() - 1;
    return true;
}

}  // namespace vardex
