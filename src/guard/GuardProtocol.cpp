#include "GuardProtocol.h"

#include "common/Base64.h"
#include "common/OneTimeCode.h"

#include <array>
#include <charconv>
#include <utility>
#include <vector>

namespace vardex {

namespace {
constexpr std::array<std::pair<LockState, std::string_view>, 5> kStateWords{{
    {LockState::Unlocked, "unlocked"},
    {LockState::Locked, "locked"},
    {LockState::Expired, "expired"},
    {LockState::Exited, "exited"},
    {LockState::SessionEnding, "session-ending"},
}};

// The requests that are one word alone.
constexpr std::array<std::pair<GuardRequestKind, std::string_view>, 4> kBareWords{{
    {GuardRequestKind::Ping, "ping"},
    {GuardRequestKind::Who, "who"},
    {GuardRequestKind::Channel, "channel"},
    {GuardRequestKind::Hello, "hello"},
}};

bool IsLogLine(std::string_view line)
{
    if (line.empty() || line.size() > kMaxGuardLogLineBytes)
        return false;
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::optional<GuardRequest> ParseBeat(const std::vector<std::string_view>& words)
{
    if (words.size() != 4)
        return std::nullopt;
    const std::optional<LockState> state = ParseLockState(words[1]);
    const auto grace = ReadInteger(words[2], 0, UINT32_MAX);
    const auto counting = ReadInteger(words[3], 0, 1);
    // A grace only with an expiry, so that each request has one spelling.
    if (!state || !grace || !counting || (*state != LockState::Expired && *grace != 0))
        return std::nullopt;
    return GuardRequest::Beat(*state, static_cast<std::uint32_t>(*grace), *counting == 1);
}

// The words of a day with its week.
constexpr std::size_t kDayWords = 4;

// The words after the answer's first one, which must be word.
std::optional<std::vector<std::string_view>> AnswerWords(std::string_view bytes, std::string_view word,
                                                         std::size_t count)
{
    if (bytes.size() > kMaxGuardMessageBytes)
        return std::nullopt;
    auto words = SplitWords(bytes);
    if (!words || words->size() != count + 1 || words->front() != word)
        return std::nullopt;
    words->erase(words->begin());
    return words;
}

// "WORD N", N from 1 to high.
std::optional<std::int64_t> NumberAnswer(std::string_view bytes, std::string_view word, std::int64_t high)
{
    const auto words = AnswerWords(bytes, word, 1);
    return words ? ReadInteger((*words)[0], 1, high) : std::nullopt;
}

// The numbers of a zone in order, with each one's range.
struct ZoneField {
    int TimeZoneRules::*rule;
    int ZoneChange::*change;
    int low, high;
};
constexpr ZoneField kRuleFields[] = {
    {&TimeZoneRules::bias, nullptr, -1440, 1440},
    {&TimeZoneRules::standardBias, nullptr, -1440, 1440},
    {&TimeZoneRules::daylightBias, nullptr, -1440, 1440},
};
constexpr ZoneField kChangeFields[] = {
    {nullptr, &ZoneChange::year, 0, 30827},   {nullptr, &ZoneChange::month, 0, 12},
    {nullptr, &ZoneChange::dayOfWeek, 0, 6},  {nullptr, &ZoneChange::week, 0, 5},
    {nullptr, &ZoneChange::day, 0, 31},       {nullptr, &ZoneChange::hour, 0, 23},
    {nullptr, &ZoneChange::minute, 0, 59},    {nullptr, &ZoneChange::second, 0, 59},
    {nullptr, &ZoneChange::millisecond, 0, 999},
};
constexpr std::size_t kZoneWords = std::size(kRuleFields) + 2 * std::size(kChangeFields);

std::vector<int*> ZoneNumbers(TimeZoneRules& zone)
{
    std::vector<int*> numbers;
    for (const ZoneField& field : kRuleFields)
        numbers.push_back(&(zone.*field.rule));
    for (ZoneChange* change : {&zone.standardDate, &zone.daylightDate})
        for (const ZoneField& field : kChangeFields)
            numbers.push_back(&(change->*field.change));
    return numbers;
}

const ZoneField& ZoneFieldAt(std::size_t index)
{
    return index < std::size(kRuleFields) ? kRuleFields[index]
                                          : kChangeFields[(index - std::size(kRuleFields)) % std::size(kChangeFields)];
}

std::optional<TimeZoneRules> ReadZone(const std::vector<std::string_view>& words, std::size_t first)
{
    if (words.size() != first + kZoneWords)
        return std::nullopt;
    TimeZoneRules zone;
    const std::vector<int*> numbers = ZoneNumbers(zone);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const ZoneField& field = ZoneFieldAt(i);
        const std::optional<std::int64_t> value = ReadInteger(words[first + i], field.low, field.high);
        if (!value)
            return std::nullopt;
        *numbers[i] = static_cast<int>(*value);
    }
    return zone;
}
// The most values one commit may carry (every value of some hundred users).
constexpr std::int64_t kMaxCommitValues = 100000;

constexpr std::array<std::pair<GuardRequestKind, std::string_view>, 7> kAdminWords{{
    {GuardRequestKind::AdminLogin, "admin"},
    {GuardRequestKind::AdminPut, "put"},
    {GuardRequestKind::AdminMore, "more"},
    {GuardRequestKind::AdminCommit, "commit"},
    {GuardRequestKind::AdminClearLog, "clear-log"},
    {GuardRequestKind::AdminEnd, "end"},
    {GuardRequestKind::AdminCodes, "codes"},
}};

// "grant CHOICE PROOF64": the choice's own words, then the password or code.
std::optional<GuardRequest> ParseGrant(const std::vector<std::string_view>& words)
{
    if (words.size() != 3 && words.size() != 4)
        return std::nullopt;
    std::string choiceText(words[1]);
    if (words.size() == 4)
        choiceText += " " + std::string(words[2]);
    const std::optional<GrantChoice> choice = ParseGrantChoice(choiceText);
    std::optional<std::string> proof = DecodeBase64Text(words.back());
    if (!choice || !proof || proof->empty())
        return std::nullopt;
    return GuardRequest::Grant(*choice, std::move(*proof));
}

constexpr std::array<std::pair<GrantProof, std::string_view>, 2> kProofWords{{
    {GrantProof::Password, "password"},
    {GrantProof::Code, "code"},
}};

// A day's words in answers: the four of the count, then the grant's two where there is one.
constexpr std::size_t kGrantWords = 2;

// The word of a thing in a table of words, and the thing of a word.
template <typename Table, typename Thing>
std::string_view WordIn(const Table& table, Thing thing)
{
    for (const auto& [t, word] : table)
        if (t == thing)
            return word;
    return {};
}

template <typename Table>
auto ThingIn(const Table& table, std::string_view word) -> std::optional<typename Table::value_type::first_type>
{
    for (const auto& [thing, w] : table)
        if (w == word)
            return thing;
    return std::nullopt;
}

std::string_view AdminWord(GuardRequestKind kind)
{
    return WordIn(kAdminWords, kind);
}

// "t [TEXT64]", "n NUMBER" or "f 0|1", as words from first on.
std::optional<SettingValue> ReadValue(const std::vector<std::string_view>& words, std::size_t first)
{
    const std::size_t left = words.size() - first;
    if (left == 1 && words[first] == "t")
        return SettingValue(std::string());
    if (left != 2)
        return std::nullopt;
    const std::string_view kind = words[first], value = words[first + 1];
    if (kind == "t") {
        std::optional<std::string> text = DecodeBase64Text(value);
        return text && !text->empty() ? std::optional<SettingValue>(std::move(*text)) : std::nullopt;
    }
    const std::optional<std::int64_t> number =
        kind == "n" ? ReadInteger(value, INT32_MIN, INT32_MAX) : kind == "f" ? ReadInteger(value, 0, 1) : std::nullopt;
    if (!number)
        return std::nullopt;
    return kind == "n" ? SettingValue(static_cast<std::int32_t>(*number)) : SettingValue(*number == 1);
}

std::string ValueText(const SettingValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return text->empty() ? "t" : "t " + EncodeBase64Text(*text);
    if (const auto* number = std::get_if<std::int32_t>(&value))
        return "n " + std::to_string(*number);
    return std::get<bool>(value) ? "f 1" : "f 0";
}

std::optional<GuardRequest> ParseAdmin(GuardRequestKind kind, const std::vector<std::string_view>& words)
{
    if (kind == GuardRequestKind::AdminLogin) {
        if (words.size() == 1)
            return GuardRequest::Admin(kind, {});
        std::optional<std::string> password = words.size() == 2 ? DecodeBase64Text(words[1]) : std::nullopt;
        if (!password || password->empty())
            return std::nullopt;
        return GuardRequest::Admin(kind, {}, std::move(*password));
    }
    if (words.size() < 2 || !IsTicketText(words[1]))
        return std::nullopt;
    GuardRequest request = GuardRequest::Admin(kind, std::string(words[1]));
    if (kind == GuardRequestKind::AdminEnd)
        return words.size() == 2 ? std::optional(request) : std::nullopt;
    if (kind == GuardRequestKind::AdminCommit) {
        const auto count = words.size() == 3 ? ReadInteger(words[2], 0, kMaxCommitValues) : std::nullopt;
        if (!count)
            return std::nullopt;
        request.count = static_cast<std::uint32_t>(*count);
        return request;
    }
    std::optional<std::string> text = words.size() >= 3 ? DecodeBase64Text(words[2]) : std::nullopt;
    if (!text || text->empty())
        return std::nullopt;
    if (kind == GuardRequestKind::AdminPut) {
        std::optional<SettingValue> value = ReadValue(words, 3);
        if (!value)
            return std::nullopt;
        request.write = {std::move(*text), std::move(*value)};
        return request;
    }
    if (words.size() != 3)
        return std::nullopt;
    request.text = std::move(*text);
    return request;
}
}  // namespace

bool IsAdminRequest(GuardRequestKind kind) noexcept
{
    return !AdminWord(kind).empty();
}

bool IsTicketText(std::string_view text) noexcept
{
    return text.size() == 2 * kAdminTicketBytes &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::string_view LockStateWord(LockState state)
{
    return kStateWords[static_cast<std::size_t>(state)].second;
}

std::optional<LockState> ParseLockState(std::string_view word)
{
    return ThingIn(kStateWords, word);
}

std::string EncodeGuardRequest(const GuardRequest& request)
{
    if (const std::string_view bare = WordIn(kBareWords, request.kind); !bare.empty())
        return std::string(bare);
    if (request.kind == GuardRequestKind::LogLine)
        return "log " + request.line;
    if (request.kind == GuardRequestKind::Grant)
        return "grant " + EncodeGrantChoice(request.grant) + " " + EncodeBase64Text(request.text);
    if (IsAdminRequest(request.kind)) {
        std::string text(AdminWord(request.kind));
        switch (request.kind) {
        case GuardRequestKind::AdminLogin:
            return request.text.empty() ? text : text + " " + EncodeBase64Text(request.text);
        case GuardRequestKind::AdminPut:
            return text + " " + request.ticket + " " + EncodeBase64Text(request.write.name) + " " +
                   ValueText(request.write.value);
        case GuardRequestKind::AdminCommit: return text + " " + request.ticket + " " + std::to_string(request.count);
        case GuardRequestKind::AdminEnd: return text + " " + request.ticket;
        default: return text + " " + request.ticket + " " + EncodeBase64Text(request.text);
        }
    }
    return "beat " + std::string(LockStateWord(request.state)) + " " + std::to_string(request.graceLeftMs) + " " +
           (request.counting ? "1" : "0");
}

std::optional<GuardRequest> ParseGuardRequest(std::string_view bytes)
{
    if (bytes.size() > kMaxGuardMessageBytes)
        return std::nullopt;
    if (const std::optional<GuardRequestKind> bare = ThingIn(kBareWords, bytes))
        return GuardRequest::Of(*bare);
    if (bytes.starts_with("log ") && IsLogLine(bytes.substr(4)))
        return GuardRequest::LogLine(std::string(bytes.substr(4)));
    const auto words = SplitWords(bytes);
    if (words && words->front() == "beat")
        return ParseBeat(*words);
    if (words && words->front() == "grant")
        return ParseGrant(*words);
    if (const std::optional<GuardRequestKind> admin = words ? ThingIn(kAdminWords, words->front()) : std::nullopt)
        return ParseAdmin(*admin, *words);
    return std::nullopt;
}

std::string EncodeTicketAnswer(std::string_view ticket)
{
    return "ticket " + std::string(ticket);
}

std::string EncodeWaitAnswer(std::uint32_t seconds)
{
    return "wait " + std::to_string(seconds);
}

std::optional<AdminLoginAnswer> ParseAdminLoginAnswer(std::string_view bytes)
{
    if (bytes == kGuardWrongPassword)
        return AdminLoginAnswer{{}, 0, true};
    if (const auto ticket = AnswerWords(bytes, "ticket", 1); ticket && IsTicketText((*ticket)[0]))
        return AdminLoginAnswer{std::string((*ticket)[0]), 0, false};
    if (const auto seconds = NumberAnswer(bytes, "wait", 3600))
        return AdminLoginAnswer{{}, static_cast<std::uint32_t>(*seconds), false};
    return std::nullopt;
}

std::string EncodeCommitAnswer(const CommitAnswer& answer)
{
    if (answer.written)
        return std::string(kGuardAccepted);
    return std::string(answer.invalid ? "invalid " : "failed ") + EncodeBase64Text(answer.name);
}

std::optional<CommitAnswer> ParseCommitAnswer(std::string_view bytes)
{
    if (bytes == kGuardAccepted)
        return CommitAnswer{true, false, {}};
    for (const bool invalid : {true, false}) {
        const auto words = AnswerWords(bytes, invalid ? "invalid" : "failed", 1);
        std::optional<std::string> name = words ? DecodeBase64Text((*words)[0]) : std::nullopt;
        if (name && !name->empty())
            return CommitAnswer{false, invalid, std::move(*name)};
    }
    return std::nullopt;
}

namespace {
std::string CountWords(const GuardDay& day)
{
    return std::to_string(day.day) + " " + std::to_string(day.usedSeconds) + " " + std::to_string(day.week) + " " +
           std::to_string(day.weekUsedSeconds);
}

std::string GrantWords(const GuardDay& day)
{
    return day.grantUntil > 0 ? " " + std::to_string(day.grantUntil) + " " + std::to_string(day.grantSeconds)
                              : std::string();
}

// The grant's words into the day; false when they are not a grant.
bool ReadGrant(std::span<const std::string_view> words, GuardDay& day)
{
    const auto until = ReadInteger(words[0], 1, kSecondsPerDay);
    const auto seconds = ReadInteger(words[1], 0, kSecondsPerDay);
    if (!until || !seconds)
        return false;
    day.grantUntil = static_cast<std::int32_t>(*until);
    day.grantSeconds = static_cast<std::int32_t>(*seconds);
    return true;
}

// The words after the answer's first one, which must be word: so many, or the grant's more.
std::optional<std::vector<std::string_view>> AnswerWithGrant(std::string_view bytes, std::string_view word,
                                                             std::size_t count)
{
    if (auto words = AnswerWords(bytes, word, count))
        return words;
    return AnswerWords(bytes, word, count + kGrantWords);
}
}  // namespace

std::string EncodeGuardDay(const GuardDay& day)
{
    return CountWords(day) + GrantWords(day);
}

std::optional<GuardDay> ParseGuardDay(std::span<const std::string_view> words)
{
    const bool withWeek = words.size() >= kDayWords;
    if (words.size() != 2 && words.size() != kDayWords && words.size() != kDayWords + kGrantWords)
        return std::nullopt;
    const auto day = ReadInteger(words[0], 0, INT32_MAX);
    const auto used = ReadInteger(words[1], 0, UINT32_MAX);
    const auto week = withWeek ? ReadInteger(words[2], 0, INT32_MAX) : 0;
    const auto weekUsed = withWeek ? ReadInteger(words[3], 0, UINT32_MAX) : 0;
    if (!day || !used || !week || !weekUsed)
        return std::nullopt;
    GuardDay read{static_cast<std::int32_t>(*day), static_cast<std::uint32_t>(*used), static_cast<std::int32_t>(*week),
                  static_cast<std::uint32_t>(*weekUsed)};
    if (words.size() > kDayWords && !ReadGrant(words.subspan(kDayWords), read))
        return std::nullopt;
    return read;
}

std::string EncodeBeatAnswer(const GuardDay& day)
{
    return std::string(kGuardAccepted) + " " + EncodeGuardDay(day);
}

std::optional<GuardDay> ParseBeatAnswer(std::string_view bytes)
{
    const auto words = AnswerWithGrant(bytes, kGuardAccepted, kDayWords);
    return words ? ParseGuardDay(*words) : std::nullopt;
}

std::string EncodeHelloAnswer(const GuardHello& hello)
{
    // The grant after the zone: a hello without one reads as before.
    return "hello " + CountWords(hello.day) + " " + EncodeZone(hello.zone) + GrantWords(hello.day);
}

std::optional<GuardHello> ParseHelloAnswer(std::string_view bytes)
{
    const auto words = AnswerWithGrant(bytes, "hello", kDayWords + kZoneWords);
    if (!words)
        return std::nullopt;
    std::optional<GuardDay> day = ParseGuardDay(std::span(*words).first(kDayWords));
    const std::optional<TimeZoneRules> zone = ReadZone(std::vector(words->begin(), words->begin() + kDayWords + kZoneWords), kDayWords);
    if (!day || !zone)
        return std::nullopt;
    if (words->size() > kDayWords + kZoneWords && !ReadGrant(std::span(*words).subspan(kDayWords + kZoneWords), *day))
        return std::nullopt;
    return GuardHello{*day, *zone};
}

std::string EncodeGrantedAnswer(GrantProof proof, const GuardDay& day)
{
    return "granted " + std::string(WordIn(kProofWords, proof)) + " " + EncodeGuardDay(day);
}

std::optional<GrantAnswer> ParseGrantAnswer(std::string_view bytes)
{
    if (const std::optional<AdminLoginAnswer> refusal = ParseAdminLoginAnswer(bytes); refusal && refusal->ticket.empty())
        return GrantAnswer{std::nullopt, GrantProof::Password, refusal->wrong, refusal->waitSeconds};
    const auto words = AnswerWords(bytes, "granted", 1 + kDayWords + kGrantWords);
    const std::optional<GrantProof> proof = words ? ThingIn(kProofWords, words->front()) : std::nullopt;
    std::optional<GuardDay> day = proof ? ParseGuardDay(std::span(*words).subspan(1)) : std::nullopt;
    if (!day || day->grantUntil == 0)
        return std::nullopt;
    return GrantAnswer{day, *proof, false, 0};
}

std::string EncodeSecretAnswer(std::string_view base32)
{
    return "secret " + std::string(base32);
}

std::optional<std::string> ParseSecretAnswer(std::string_view bytes)
{
    const auto words = AnswerWords(bytes, "secret", 1);
    if (!words || !DecodeBase32((*words)[0]))
        return std::nullopt;
    return std::string((*words)[0]);
}

std::string EncodeWhoAnswer(std::uint32_t processId)
{
    return "service " + std::to_string(processId);
}

std::optional<std::uint32_t> ParseWhoAnswer(std::string_view bytes)
{
    const auto id = NumberAnswer(bytes, "service", UINT32_MAX);
    return id ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*id)) : std::nullopt;
}

std::string EncodeChannelAnswer(std::uint64_t handle)
{
    return "channel " + std::to_string(handle);
}

std::optional<std::uint64_t> ParseChannelAnswer(std::string_view bytes)
{
    const auto handle = NumberAnswer(bytes, "channel", INT64_MAX);
    return handle ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(*handle)) : std::nullopt;
}

std::string EncodeZone(const TimeZoneRules& zone)
{
    TimeZoneRules copy = zone;
    std::string text;
    for (const int* number : ZoneNumbers(copy))
        text += (text.empty() ? "" : " ") + std::to_string(*number);
    return text;
}

std::optional<TimeZoneRules> ParseZone(std::string_view text)
{
    if (text.size() > kMaxGuardMessageBytes)
        return std::nullopt;
    const auto words = SplitWords(text);
    return words ? ReadZone(*words, 0) : std::nullopt;
}

}  // namespace vardex
