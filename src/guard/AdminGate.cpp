#include "AdminGate.h"

#include "common/Accounts.h"
#include "common/Errors.h"
#include "common/OneTimeCode.h"
#include "common/RegValues.h"
#include "config/Settings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vardex {

namespace {
std::string HexOf(const std::array<std::uint8_t, kAdminTicketBytes>& bytes)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::size_t SizeOf(const SettingWrite& write)
{
    const auto* text = std::get_if<std::string>(&write.value);
    return write.name.size() + (text ? text->size() : sizeof(std::int32_t));
}

// The wait before the next check after so many wrong passwords in a row.
std::int64_t GuessWaitMs(int wrong)
{
    if (wrong < kFreeGuesses)
        return 0;
    const int doublings = std::min(wrong - kFreeGuesses, 16);
    return std::min<std::int64_t>(std::int64_t{1000} << doublings, kMaxGuessWaitMs);
}
}  // namespace

AdminGate::AdminGate(Registry& registry, FileSystem& files, PasswordCrypto& crypto, Clock& clock,
                     ListedUserKeys listedUserKeys, std::string programDirectory, Reporter report,
                     Refusals refuse)
    : registry_(registry), files_(files), crypto_(crypto), clock_(clock), listedUserKeys_(std::move(listedUserKeys)),
      programDirectory_(std::move(programDirectory)), report_(std::move(report)), refuse_(std::move(refuse))
{
}

std::string AdminGate::Who(const GuardClient& client) const
{
    const std::string process = std::to_string(client.processId), session = std::to_string(client.sessionId);
    if (client.userName.empty())
        return EnglishMessage(TextId::MessageProcessInSession, {process, session});
    return EnglishMessage(TextId::MessageUsersProcessInSession, {client.userName, process, session});
}

std::string AdminGate::Answer(const GuardClient& client, const GuardRequest& request, bool sessionLocked)
{
    const std::int64_t now = clock_.ElapsedMs();
    std::erase_if(tickets_, [now](const auto& entry) { return now - entry.second.issuedMs >= kTicketLifeMs; });
    if (request.kind == GuardRequestKind::AdminLogin)
        return Login(client, request.text, sessionLocked);
    Ticket* ticket = Holder(client, request.ticket);
    if (!ticket)
        return std::string(kGuardRefused);
    switch (request.kind) {
    case GuardRequestKind::AdminPut:
    case GuardRequestKind::AdminMore:
        return std::string(Stage(*ticket, request) ? kGuardAccepted : kGuardRefused);
    case GuardRequestKind::AdminCommit: return Commit(client, *ticket, request.count);
    case GuardRequestKind::AdminClearLog: return ClearLog(client, request.text);
    case GuardRequestKind::AdminCodes: return CodeSecretFor(client, request.text);
    case GuardRequestKind::AdminEnd: tickets_.erase(request.ticket); return std::string(kGuardAccepted);
    default: return std::string(kGuardRefused);
    }
}

std::string AdminGate::Login(const GuardClient& client, const std::string& password, bool sessionLocked)
{
    if (sessionLocked) {
        refuse_(EnglishMessage(TextId::MessageGateLocked, {Who(client)}));
        return std::string(kGuardRefused);
    }
    if (const std::optional<std::uint32_t> wait = GuessWait(client.sessionId))
        return EncodeWaitAnswer(*wait);
    const std::string stored = StoredAdminPassword();
    // The check itself: through the hash where one is stored, so that its readable text is never
    // a password; no password is needed where none is set.
    if (!stored.empty() && !VerifyPassword(password, stored, crypto_)) {
        WrongGuess(client, TextId::MessageGateWrongAdminPassword);
        return std::string(kGuardWrongPassword);
    }
    guesses_.erase(client.sessionId);
    return Issue(client);
}

std::optional<std::uint32_t> AdminGate::GuessWait(std::uint32_t sessionId)
{
    const std::int64_t now = clock_.ElapsedMs();
    const Guesses& guesses = guesses_[sessionId];
    if (now < guesses.nextCheckMs)
        return static_cast<std::uint32_t>((guesses.nextCheckMs - now + 999) / 1000);
    return std::nullopt;
}

void AdminGate::WrongGuess(const GuardClient& client, TextId message)
{
    Guesses& guesses = guesses_[client.sessionId];
    ++guesses.wrong;
    guesses.nextCheckMs = clock_.ElapsedMs() + GuessWaitMs(guesses.wrong);
    report_(GuardLogKind::Warning, EnglishMessage(message, {Who(client), std::to_string(guesses.wrong)}));
}

AdminGate::Proof AdminGate::CheckGrantProof(const GuardClient& client, const std::string& proof)
{
    if (const std::optional<std::uint32_t> wait = GuessWait(client.sessionId))
        return {std::nullopt, *wait};
    bool byCode = false;
    if (codes_ && IsCodeText(proof)) {
        try {
            byCode = codes_->Take(proof);
        } catch (const Error& error) {
            report_(GuardLogKind::Error, EnglishMessage(TextId::MessageGateCodeNotChecked, {error.what()}));
        }
    }
    if (byCode) {
        guesses_.erase(client.sessionId);
        return {GrantProof::Code, 0};
    }
    const std::string stored = StoredAdminPassword();
    if (!stored.empty() && VerifyPassword(proof, stored, crypto_)) {
        guesses_.erase(client.sessionId);
        return {GrantProof::Password, 0};
    }
    WrongGuess(client, TextId::MessageGateWrongGrantProof);
    return {};
}

std::string AdminGate::CodeSecretFor(const GuardClient& client, const std::string& what)
{
    if (!codes_ || (what != "show" && what != "new"))
        return std::string(kGuardRefused);
    try {
        std::optional<std::vector<std::uint8_t>> secret = what == "show" ? codes_->Secret() : std::nullopt;
        if (!secret) {
            secret = codes_->MakeNew();
            report_(GuardLogKind::Information, EnglishMessage(TextId::MessageGateNewSecret, {Who(client)}));
        }
        std::string answer = EncodeSecretAnswer(EncodeBase32(*secret));
        std::fill(secret->begin(), secret->end(), std::uint8_t{0});
        return answer;
    } catch (const Error& error) {
        report_(GuardLogKind::Error, EnglishMessage(TextId::MessageGateNoSecret, {error.what()}));
        return "failed";
    }
}

std::string AdminGate::Issue(const GuardClient& client)
{
    std::array<std::uint8_t, kAdminTicketBytes> random{};
    if (!crypto_.FillRandom(random)) {
        report_(GuardLogKind::Error, EnglishMessage(TextId::MessageGateNoTicket, {Who(client)}));
        return std::string(kGuardRefused);
    }
    // The oldest tickets of a session go first: no program fills the guardian with them.
    std::vector<std::pair<std::uint64_t, std::string>> held;
    for (const auto& [text, ticket] : tickets_)
        if (ticket.sessionId == client.sessionId)
            held.emplace_back(ticket.serial, text);
    std::sort(held.begin(), held.end());
    for (std::size_t i = 0; i + kMaxTicketsPerSession <= held.size(); ++i)
        tickets_.erase(held[i].second);
    const std::string text = HexOf(random);
    tickets_[text] = Ticket{client.sessionId, client.processId, client.userSid, clock_.ElapsedMs(), ++issued_, {}, 0, false};
    report_(GuardLogKind::Information, EnglishMessage(TextId::MessageGateOpened, {Who(client)}));
    return EncodeTicketAnswer(text);
}

AdminGate::Ticket* AdminGate::Holder(const GuardClient& client, const std::string& ticket)
{
    const auto found = tickets_.find(ticket);
    if (found == tickets_.end() || found->second.sessionId != client.sessionId ||
        found->second.processId != client.processId || found->second.userSid != client.userSid) {
        refuse_(EnglishMessage(TextId::MessageGateNoValidTicket, {Who(client)}));
        return nullptr;
    }
    return &found->second;
}

bool AdminGate::Stage(Ticket& ticket, const GuardRequest& request)
{
    if (request.kind == GuardRequestKind::AdminPut) {
        ticket.staged.push_back(request.write);
    } else {
        auto* text = ticket.staged.empty() ? nullptr : std::get_if<std::string>(&ticket.staged.back().value);
        if (!text)
            ticket.stagingBroken = true;
        else
            *text += request.text;
    }
    ticket.stagedBytes += request.kind == GuardRequestKind::AdminPut ? SizeOf(request.write) : request.text.size();
    if (ticket.staged.size() > kMaxStagedValues || ticket.stagedBytes > kMaxStagedBytes)
        ticket.stagingBroken = true;
    return !ticket.stagingBroken;
}

std::string AdminGate::Commit(const GuardClient& client, Ticket& ticket, std::uint32_t count)
{
    std::vector<SettingWrite> writes = std::move(ticket.staged);
    const bool broken = std::exchange(ticket.stagingBroken, false) || writes.size() != count;
    ticket.staged.clear();
    ticket.stagedBytes = 0;
    if (broken) {
        refuse_(EnglishMessage(TextId::MessageGateIncomplete, {Who(client)}));
        return std::string(kGuardRefused);
    }
    // Everything checked before anything is written.
    const std::vector<std::string> users = listedUserKeys_();
    for (const SettingWrite& write : writes) {
        if (const std::optional<std::string> refusal = RefusalOf(write, users)) {
            refuse_(EnglishMessage(TextId::MessageGateRefusedSettings, {Who(client), *refusal}));
            return EncodeCommitAnswer({false, true, write.name});
        }
    }
    try {
        WriteSettings(registry_, writes);
    } catch (const SaveError& error) {
        // Which one: the first that does not read back as written.
        const std::vector<SettingWrite> unwritten = ChangedWrites(registry_, writes);
        report_(GuardLogKind::Error, EnglishMessage(TextId::MessageGateNotAllWritten, {Who(client), error.what()}));
        return EncodeCommitAnswer({false, false, unwritten.empty() ? writes.front().name : unwritten.front().name});
    }
    report_(GuardLogKind::Information,
            EnglishMessage(TextId::MessageGateWrote, {std::to_string(writes.size()), Who(client)}));
    return EncodeCommitAnswer({true, false, {}});
}

std::string AdminGate::ClearLog(const GuardClient& client, const std::string& userKey)
{
    const std::vector<std::string> users = listedUserKeys_();
    if (userKey != kDefaultUserKey && std::find(users.begin(), users.end(), userKey) == users.end()) {
        refuse_(EnglishMessage(TextId::MessageGateNoListedUser, {userKey, Who(client)}));
        return std::string(kGuardRefused);
    }
    const std::string path = programDirectory_ + userKey + ".log";
    try {
        if (files_.Exists(path))
            files_.Replace(path, {});
    } catch (const Error& error) {
        report_(GuardLogKind::Error, EnglishMessage(TextId::MessageGateLogNotCleared, {path, error.what()}));
        return "failed";
    }
    report_(GuardLogKind::Information, EnglishMessage(TextId::MessageGateLogCleared, {userKey, Who(client)}));
    return std::string(kGuardAccepted);
}

void AdminGate::EndTrustIn(std::uint32_t sessionId)
{
    std::erase_if(tickets_, [sessionId](const auto& entry) { return entry.second.sessionId == sessionId; });
}

std::string AdminGate::StoredAdminPassword()
{
    const auto key = registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Read, false);
    try {
        return key ? ReadTextValue(*key, SettingNames::AdminPassword).value_or(std::string()) : std::string();
    } catch (const RegistryError&) {
        // Of another type: a value nobody can type, so nobody passes.
        return "$";
    }
}

}  // namespace vardex
