#include "Grants.h"

#include "common/Text.h"

#include <algorithm>

namespace vardex {

namespace {
constexpr std::int32_t kMostGrantMinutes = 24 * 60;

// Digits alone, no sign, no leading zero beyond "0" itself: one spelling per value.
std::optional<std::int64_t> Number(std::string_view word, std::int64_t low, std::int64_t high)
{
    return low >= 0 ? ReadInteger(word, low, high) : std::nullopt;
}

// The text's words at single blanks, exactly count of them.
std::optional<std::vector<std::string_view>> Words(std::string_view text, std::size_t count)
{
    std::optional<std::vector<std::string_view>> words = SplitWords(text);
    return words && words->size() == count ? words : std::nullopt;
}

std::string Clock(std::int32_t second)
{
    const std::int32_t hour = second / 3600, minute = second / 60 % 60;
    return (hour < 10 ? "0" : "") + std::to_string(hour) + (minute < 10 ? ":0" : ":") + std::to_string(minute);
}

const char* ProofWord(GrantProof proof) noexcept
{
    return proof == GrantProof::Code ? "(code)" : "(password)";
}
}  // namespace

bool IsValidChoice(const GrantChoice& choice) noexcept
{
    switch (choice.kind) {
    case GrantKind::Minutes: return choice.minutes >= 1 && choice.minutes <= kMostGrantMinutes && choice.until == 0;
    case GrantKind::Until: return choice.until > 0 && choice.until <= kSecondsPerDay && choice.minutes == 0;
    case GrantKind::RestOfDay: return choice.minutes == 0 && choice.until == 0;
    }
    return false;
}

std::optional<DayGrant> Granted(const std::optional<DayGrant>& before, const GrantChoice& choice, LocalMoment now)
{
    if (!IsValidChoice(choice))
        return std::nullopt;
    // Today only: what would run on past midnight ends there.
    const std::int32_t end = choice.kind == GrantKind::Minutes ? std::min(now.second + choice.minutes * 60, kSecondsPerDay)
                             : choice.kind == GrantKind::Until ? choice.until
                                                               : kSecondsPerDay;
    if (end <= now.second)
        return std::nullopt;
    DayGrant grant{now.day, now.second, 0};
    if (before && before->day == now.day)
        grant = *before;
    const std::int32_t from = std::max(now.second, grant.until);
    if (end > from)
        grant.seconds += end - from;
    grant.until = std::max(grant.until, end);
    return grant;
}

std::optional<DayGrant> LaterGrant(const std::optional<DayGrant>& a, const std::optional<DayGrant>& b) noexcept
{
    if (!a || !b)
        return a ? a : b;
    if (a->day != b->day)
        return a->day > b->day ? a : b;
    return DayGrant{a->day, std::max(a->until, b->until), std::max(a->seconds, b->seconds)};
}

std::string EncodeDayGrant(const DayGrant& grant)
{
    return std::to_string(grant.day) + " " + std::to_string(grant.until) + " " + std::to_string(grant.seconds);
}

std::optional<DayGrant> ParseDayGrant(std::string_view text)
{
    const auto words = Words(text, 3);
    if (!words)
        return std::nullopt;
    const auto day = Number((*words)[0], 1, INT32_MAX);
    const auto until = Number((*words)[1], 1, kSecondsPerDay);
    const auto seconds = Number((*words)[2], 0, kSecondsPerDay);
    if (!day || !until || !seconds)
        return std::nullopt;
    return DayGrant{static_cast<std::int32_t>(*day), static_cast<std::int32_t>(*until), static_cast<std::int32_t>(*seconds)};
}

bool IsDayGrantText(std::string_view text)
{
    return ParseDayGrant(text).has_value();
}

std::string GrantEventText(const GrantChoice& choice, GrantProof proof)
{
    std::string amount;
    switch (choice.kind) {
    case GrantKind::Minutes: amount = std::to_string(choice.minutes) + " min"; break;
    case GrantKind::Until: amount = "until " + Clock(choice.until); break;
    case GrantKind::RestOfDay: amount = "rest of day"; break;
    }
    return std::string(kTimeGrantedPrefix) + amount + " " + ProofWord(proof);
}

bool IsGrantEventText(std::string_view text)
{
    if (!text.starts_with(kTimeGrantedPrefix))
        return false;
    text.remove_prefix(kTimeGrantedPrefix.size());
    const std::size_t blank = text.rfind(' ');
    if (blank == std::string_view::npos)
        return false;
    const std::string_view proof = text.substr(blank + 1), amount = text.substr(0, blank);
    if (proof != ProofWord(GrantProof::Password) && proof != ProofWord(GrantProof::Code))
        return false;
    if (amount == "rest of day")
        return true;
    if (amount.starts_with("until ")) {
        const std::string_view clock = amount.substr(6);
        const auto digit = [&clock](std::size_t i) { return clock[i] >= '0' && clock[i] <= '9' ? clock[i] - '0' : -1; };
        if (clock.size() != 5 || clock[2] != ':' || digit(0) < 0 || digit(1) < 0 || digit(3) < 0 || digit(4) < 0)
            return false;
        const int hour = digit(0) * 10 + digit(1), minute = digit(3) * 10 + digit(4);
        return minute < 60 && (hour < 24 || (hour == 24 && minute == 0));
    }
    if (!amount.ends_with(" min"))
        return false;
    return Number(amount.substr(0, amount.size() - 4), 1, kMostGrantMinutes).has_value();
}

std::string EncodeGrantChoice(const GrantChoice& choice)
{
    switch (choice.kind) {
    case GrantKind::Minutes: return "min " + std::to_string(choice.minutes);
    case GrantKind::Until: return "until " + std::to_string(choice.until);
    case GrantKind::RestOfDay: break;
    }
    return "rest";
}

std::optional<GrantChoice> ParseGrantChoice(std::string_view text)
{
    std::optional<GrantChoice> choice;
    if (text == "rest") {
        choice = GrantChoice::RestOfDay();
    } else if (const auto words = Words(text, 2)) {
        const auto number = Number((*words)[1], 1, kSecondsPerDay);
        if (number && (*words)[0] == "min")
            choice = GrantChoice::Of(static_cast<std::int32_t>(*number));
        else if (number && (*words)[0] == "until")
            choice = GrantChoice::Until(static_cast<std::int32_t>(*number));
    }
    if (choice && !IsValidChoice(*choice))
        return std::nullopt;
    return choice;
}

}  // namespace vardex
