#include "LockStatus.h"

#include <algorithm>

namespace vardex {

static_assert(static_cast<int>(TextId::Weekday7) - static_cast<int>(TextId::Weekday1) == 6, "the weekdays in order");

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
std::string NextText(const WeekRules& rules, LocalMoment now, LocalMoment next, const Texts& texts)
{
    std::string stretch;
    for (const DayPeriod& allowed : AllowedStretches(rules, next.day))
        if (allowed.from <= next.second && next.second < allowed.till)
            stretch = allowed.from == 0 && allowed.till == kSecondsPerDay ? std::string() : StretchText(allowed);
    if (next.day == now.day)
        return stretch.empty() ? StretchText({next.second, kSecondsPerDay}) : stretch;
    const std::string day = next.day == now.day + 1
                                ? texts.Get(TextId::StatusTomorrow)
                                : texts.Get(NthText(TextId::Weekday1, WeekdayOf(next.day)));
    return stretch.empty() ? day : day + " " + stretch;
}

std::string NextLine(TextId opening, const WeekRules& rules, LocalMoment now, const Standing& standing,
                     const Texts& texts)
{
    const std::string line = texts.Get(opening);
    if (!standing.nextStart)
        return line;
    return texts.Format(TextId::StatusNext, {line, NextText(rules, now, *standing.nextStart, texts)});
}
}  // namespace

bool Restricts(const WeekRules& rules) noexcept
{
    return rules.bySchedule || rules.byDuration || rules.weekSeconds.has_value();
}

std::string StandingLine(const WeekRules& rules, LocalMoment now, const RestrictionView& view,
                         const RegionalFormats& formats, const Texts& texts)
{
    if (!Restricts(rules))
        return {};
    if (view.expired) {
        switch (view.end) {
        case EndAction::ShutDown: return texts.Format(TextId::StatusShutDownIn, {CountdownText(view.graceLeftSeconds)});
        case EndAction::LogOff: return texts.Format(TextId::StatusLogOffIn, {CountdownText(view.graceLeftSeconds)});
        case EndAction::StayLocked: return NextLine(TextId::StatusTimeUp, rules, now, view.standing, texts);
        }
    }
    const Standing& standing = view.standing;
    switch (standing.holdup) {
    case Holdup::OutsidePeriods: return NextLine(TextId::StatusNotAllowed, rules, now, standing, texts);
    case Holdup::DayUsedUp: return NextLine(TextId::StatusNoTimeToday, rules, now, standing, texts);
    case Holdup::WeekUsedUp: return NextLine(TextId::StatusNoTimeWeek, rules, now, standing, texts);
    case Holdup::None: break;
    }
    if (!standing.secondsLeft)
        return {};
    const std::int64_t left = std::max<std::int64_t>(*standing.secondsLeft, 0);
    const LocalMoment end = LocalMoment::FromLinear(now.Linear() + left);
    const std::string span = left < 60 ? texts.Get(TextId::StatusLessThanMinute) : SpanText(left, texts);
    return texts.Format(TextId::StatusLeftToday, {span, ClockOf(end.second, formats)});
}

std::string EndWarningText(std::int32_t minutes, LocalMoment end, const RegionalFormats& formats, const Texts& texts)
{
    const std::string at = ClockOf(end.second, formats);
    if (minutes == 1)
        return texts.Format(TextId::WarningOneMinute, {at});
    return texts.Format(TextId::WarningMinutes, {std::to_string(minutes), at});
}

std::string FailedAttemptsText(std::uint32_t count, LocalMoment last, const RegionalFormats& formats,
                               const Texts& texts)
{
    const std::string at = ClockOf(last.second, formats);
    if (count == 1)
        return texts.Format(TextId::FailedOne, {at});
    return texts.Format(TextId::FailedMany, {std::to_string(count), at});
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
