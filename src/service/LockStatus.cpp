#include "LockStatus.h"

#include <algorithm>

namespace vardex {

namespace {
std::string ClockOf(std::int32_t second, const RegionalFormats& formats)
{
    return FormatShortTime(formats, second / 3600 % 24, second / 60 % 60);
}

// "4:32": the grace left, as a countdown reads.
std::string CountdownText(std::int64_t seconds)
{
    seconds = std::max<std::int64_t>(seconds, 0);
    const std::int64_t rest = seconds % 60;
    return std::to_string(seconds / 60) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

// "15:00–18:00", "tomorrow 10:00–12:00", "Saturday 10:00–12:00", "tomorrow": the stretch the next
// allowed moment opens.
std::string NextText(const WeekRules& rules, LocalMoment now, LocalMoment next)
{
    std::string stretch;
    for (const DayPeriod& allowed : AllowedStretches(rules, next.day))
        if (allowed.from <= next.second && next.second < allowed.till)
            stretch = allowed.from == 0 && allowed.till == kSecondsPerDay ? std::string() : StretchText(allowed);
    if (next.day == now.day)
        return stretch.empty() ? StretchText({next.second, kSecondsPerDay}) : stretch;
    const std::string day = next.day == now.day + 1 ? "tomorrow" : WeekdayName(WeekdayOf(next.day));
    return stretch.empty() ? day : day + " " + stretch;
}

std::string NextLine(const char* opening, const WeekRules& rules, LocalMoment now, const Standing& standing)
{
    std::string line = opening;
    if (standing.nextStart)
        line += " Next: " + NextText(rules, now, *standing.nextStart);
    return line;
}
}  // namespace

bool Restricts(const WeekRules& rules) noexcept
{
    return rules.bySchedule || rules.byDuration || rules.weekSeconds.has_value();
}

std::string StandingLine(const WeekRules& rules, LocalMoment now, const RestrictionView& view,
                         const RegionalFormats& formats)
{
    if (!Restricts(rules))
        return {};
    if (view.expired) {
        switch (view.end) {
        case EndAction::ShutDown: return "Time is up: this PC shuts down in " + CountdownText(view.graceLeftSeconds);
        case EndAction::LogOff: return "Time is up: you are logged off in " + CountdownText(view.graceLeftSeconds);
        case EndAction::StayLocked: return NextLine("Time is up.", rules, now, view.standing);
        }
    }
    const Standing& standing = view.standing;
    switch (standing.holdup) {
    case Holdup::OutsidePeriods: return NextLine("Not allowed now.", rules, now, standing);
    case Holdup::DayUsedUp: return NextLine("No time left today.", rules, now, standing);
    case Holdup::WeekUsedUp: return NextLine("No time left this week.", rules, now, standing);
    case Holdup::None: break;
    }
    if (!standing.secondsLeft)
        return {};
    const std::int64_t left = std::max<std::int64_t>(*standing.secondsLeft, 0);
    const LocalMoment end = LocalMoment::FromLinear(now.Linear() + left);
    const std::string span = left < 60 ? "Less than 1 min" : SpanText(left);
    return span + " left today (until " + ClockOf(end.second, formats) + ")";
}

std::string EndWarningText(std::int32_t minutes, LocalMoment end, const RegionalFormats& formats)
{
    return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes") + " left today. Your time ends at " +
           ClockOf(end.second, formats) + ".";
}

std::string FailedAttemptsText(std::uint32_t count, LocalMoment last, const RegionalFormats& formats)
{
    const std::string at = ClockOf(last.second, formats);
    if (count == 1)
        return "1 failed unlock attempt since your last unlock, at " + at;
    return std::to_string(count) + " failed unlock attempts since your last unlock; the last at " + at;
}

void EndWarnings::SetThresholds(std::vector<std::int32_t> minutes)
{
    std::sort(minutes.begin(), minutes.end(), std::greater<>());
    if (minutes == thresholds_)
        return;
    thresholds_ = std::move(minutes);
    armed_.assign(thresholds_.size(), true);
    started_ = false;
}

std::optional<std::int32_t> EndWarnings::Take(std::optional<std::int64_t> secondsLeft, bool mayShow)
{
    // Climbing back over a threshold by more than a minute arms it again: less is the noise of a
    // count that paused.
    constexpr std::int64_t kRearmSeconds = 60;
    const bool first = !started_;
    started_ = true;
    std::optional<std::int32_t> announce;
    for (std::size_t i = 0; i < thresholds_.size(); ++i) {
        const std::int64_t at = std::int64_t{thresholds_[i]} * 60;
        if (!secondsLeft || *secondsLeft > at + kRearmSeconds) {
            armed_[i] = true;
        } else if (armed_[i] && *secondsLeft <= at && *secondsLeft > 0) {
            armed_[i] = false;
            if (!first && mayShow)
                announce = thresholds_[i];  // the list runs largest first: the smallest wins
        }
    }
    return announce;
}

}  // namespace vardex
