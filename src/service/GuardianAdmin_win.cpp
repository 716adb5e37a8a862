#include "GuardianAdmin_win.h"

#include "common/OneTimeCode.h"
#include "common/Texts.h"
#include "common/WipedString.h"

#include "GuardianLink_win.h"

#include <windows.h>

namespace vardex {

namespace {
// A check of a stored hash at the highest count takes some 3 s.
constexpr DWORD kLoginWaitMs = 8000;
constexpr DWORD kRequestWaitMs = 2000;
// The text of a value beyond this goes in further pieces: every message stays within the bound.
constexpr std::size_t kPieceBytes = 2048;

// One request; busy instances are tried again for a while, as any client of a pipe does.
std::optional<std::string> Ask(const GuardRequest& request, DWORD waitMs)
{
    const ULONGLONG end = GetTickCount64() + waitMs;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        if (std::optional<std::string> answer = AskGuardian(request, static_cast<DWORD>(end - now)))
            return answer;
        Sleep(20);
    }
    return std::nullopt;
}

void Send(const GuardRequest& request)
{
    const std::optional<std::string> answer = Ask(request, kRequestWaitMs);
    if (!answer)
        throw SaveError(EnglishText(TextId::MessageGuardianSilentApply));
    if (*answer != kGuardAccepted)
        throw TicketRefused(EnglishText(TextId::MessageTicketRefused));
}
}  // namespace

AdminTicketAnswer AskAdminTicket(std::string_view password)
{
    const std::optional<std::string> answer =
        Ask(GuardRequest::Admin(GuardRequestKind::AdminLogin, {}, std::string(password)), kLoginWaitMs);
    const std::optional<AdminLoginAnswer> parsed = answer ? ParseAdminLoginAnswer(*answer) : std::nullopt;
    if (!parsed)
        return {};
    if (!parsed->ticket.empty())
        return {AdminTicketAnswer::Kind::Ticket, parsed->ticket, 0};
    if (parsed->wrong)
        return {AdminTicketAnswer::Kind::Wrong, {}, 0};
    return {AdminTicketAnswer::Kind::Wait, {}, parsed->waitSeconds};
}

std::string AdminRefusalText(const AdminTicketAnswer& answer)
{
    switch (answer.kind) {
    case AdminTicketAnswer::Kind::Ticket: return {};
    case AdminTicketAnswer::Kind::Wrong: return EnglishText(TextId::MessageIncorrectPassword);
    case AdminTicketAnswer::Kind::Wait:
        return EnglishMessage(TextId::MessageTooManyWrong, {std::to_string(answer.waitSeconds)});
    case AdminTicketAnswer::Kind::NoAnswer: break;
    }
    return EnglishText(TextId::MessageNotChecked);
}

void WriteThroughGuardian(const std::string& ticket, const std::vector<SettingWrite>& writes)
{
    for (const SettingWrite& write : writes) {
        GuardRequest put = GuardRequest::Admin(GuardRequestKind::AdminPut, ticket);
        const auto* text = std::get_if<std::string>(&write.value);
        put.write = {write.name, text ? SettingValue(text->substr(0, kPieceBytes)) : write.value};
        Send(put);
        for (std::size_t at = kPieceBytes; text && at < text->size(); at += kPieceBytes)
            Send(GuardRequest::Admin(GuardRequestKind::AdminMore, ticket, text->substr(at, kPieceBytes)));
    }
    GuardRequest commit = GuardRequest::Admin(GuardRequestKind::AdminCommit, ticket);
    commit.count = static_cast<std::uint32_t>(writes.size());
    const std::optional<std::string> answer = Ask(commit, kRequestWaitMs);
    const std::optional<CommitAnswer> result = answer ? ParseCommitAnswer(*answer) : std::nullopt;
    if (!answer)
        throw SaveError(EnglishText(TextId::MessageGuardianSilentCommit));
    if (!result)
        throw TicketRefused(EnglishText(TextId::MessageTicketRefused));
    if (result->invalid)
        throw SaveError(EnglishMessage(TextId::MessageValueRefused, {result->name}));
    if (!result->written)
        throw SaveError(EnglishMessage(TextId::MessageValueNotWritten, {result->name}));
}

void ClearLogThroughGuardian(const std::string& ticket, const std::string& userKey)
{
    const std::optional<std::string> answer =
        Ask(GuardRequest::Admin(GuardRequestKind::AdminClearLog, ticket, userKey), kRequestWaitMs);
    if (!answer)
        throw std::runtime_error(EnglishText(TextId::MessageLogGuardianSilent));
    if (*answer == kGuardRefused)
        throw TicketRefused(EnglishText(TextId::MessageLogTicketRefused));
    if (*answer != kGuardAccepted)
        throw std::runtime_error(EnglishMessage(TextId::MessageLogNotCleared, {userKey}));
}

std::vector<std::uint8_t> CodeSecretThroughGuardian(const std::string& ticket, bool makeNew)
{
    const std::optional<std::string> answer =
        Ask(GuardRequest::Admin(GuardRequestKind::AdminCodes, ticket, makeNew ? "new" : "show"), kRequestWaitMs);
    if (!answer)
        throw std::runtime_error(EnglishText(TextId::MessageGuardianSilent));
    if (*answer == kGuardRefused)
        throw TicketRefused(EnglishText(TextId::MessageGuardianTicketRefused));
    std::optional<std::string> text = ParseSecretAnswer(*answer);
    std::optional<std::vector<std::uint8_t>> secret = text ? DecodeBase32(*text) : std::nullopt;
    if (text)
        WipeText(*text);
    if (!secret)
        throw std::runtime_error(EnglishText(TextId::MessageSecretNotKept));
    return std::move(*secret);
}

void EndAdminTicket(const std::string& ticket) noexcept
{
    try {
        AskGuardian(GuardRequest::Admin(GuardRequestKind::AdminEnd, ticket), 500);
    } catch (...) {
        // Its time ends it all the same.
    }
}

}  // namespace vardex
