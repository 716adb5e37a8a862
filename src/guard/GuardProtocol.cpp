#include "GuardProtocol.h"

#include <array>
#include <charconv>
#include <utility>

namespace vardex {

namespace {
constexpr std::array<std::pair<LockState, std::string_view>, 5> kStateWords{{
    {LockState::Unlocked, "unlocked"},
    {LockState::Locked, "locked"},
    {LockState::Expired, "expired"},
    {LockState::Exited, "exited"},
    {LockState::SessionEnding, "session-ending"},
}};

std::string_view StateWord(LockState state)
{
    return kStateWords[static_cast<std::size_t>(state)].second;
}

// Splits off the text before the first space; the rest follows it.
std::string_view NextWord(std::string_view& rest)
{
    const std::size_t space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return word;
}

// Plain decimal digits only: no sign, no spaces, no leading zeros beyond "0" itself.
template <typename Number>
std::optional<Number> ReadDecimal(std::string_view word)
{
    if (word.empty() || word.size() > 10 || (word.size() > 1 && word[0] == '0'))
        return std::nullopt;
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

bool IsLogLine(std::string_view line)
{
    if (line.empty() || line.size() > kMaxGuardLogLineBytes)
        return false;
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::optional<GuardRequest> ParseState(std::string_view rest)
{
    GuardRequest request;
    request.kind = GuardRequestKind::State;
    const std::string_view word = NextWord(rest);
    for (const auto& [state, text] : kStateWords)
        if (word == text)
            request.state = state;
    if (word != StateWord(request.state))
        return std::nullopt;
    if (request.state != LockState::Expired)
        return rest.empty() ? std::optional(request) : std::nullopt;
    const auto grace = ReadDecimal<std::uint32_t>(NextWord(rest));
    if (!grace || !rest.empty())
        return std::nullopt;
    request.graceLeftMs = *grace;
    return request;
}
}  // namespace

std::string EncodeGuardRequest(const GuardRequest& request)
{
    switch (request.kind) {
    case GuardRequestKind::Ping: return "ping";
    case GuardRequestKind::DayUse:
        return "day-use " + std::to_string(request.day) + " " + std::to_string(request.usedSeconds);
    case GuardRequestKind::LogLine: return "log " + request.line;
    case GuardRequestKind::State: {
        std::string text = "state " + std::string(StateWord(request.state));
        if (request.state == LockState::Expired)
            text += " " + std::to_string(request.graceLeftMs);
        return text;
    }
    }
    return {};
}

std::optional<GuardRequest> ParseGuardRequest(std::string_view bytes)
{
    if (bytes.size() > kMaxGuardMessageBytes)
        return std::nullopt;
    std::string_view rest = bytes;
    const std::string_view verb = NextWord(rest);
    GuardRequest request;
    if (verb == "ping" && bytes == verb)
        return request;
    if (verb == "log" && IsLogLine(rest)) {
        request.kind = GuardRequestKind::LogLine;
        request.line = std::string(rest);
        return request;
    }
    if (verb == "state")
        return ParseState(rest);
    if (verb == "day-use") {
        const auto day = ReadDecimal<std::int32_t>(NextWord(rest));
        const auto seconds = ReadDecimal<std::uint32_t>(NextWord(rest));
        if (!day || !seconds || !rest.empty())
            return std::nullopt;
        request.kind = GuardRequestKind::DayUse;
        request.day = *day;
        request.usedSeconds = *seconds;
        return request;
    }
    return std::nullopt;
}

}  // namespace vardex
