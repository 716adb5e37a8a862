#include "GuardStore.h"

#include "common/Errors.h"
#include "common/Texts.h"
#include "common/RegValues.h"


namespace vardex {

namespace {
// "ID SID STATE SHUTDOWN PID CREATED", PID 0 when no lock service runs.
std::optional<StoredSession> ParseSession(std::string_view text)
{
    const auto words = SplitWords(text);
    if (!words || words->size() != 6 || !(*words)[1].starts_with("S-"))
        return std::nullopt;
    const auto id = ReadInteger((*words)[0], 0, UINT32_MAX);
    const std::optional<LockState> state = ParseLockState((*words)[2]);
    const auto shutdown = ReadInteger((*words)[3], 0, INT64_MAX);
    const auto process = ReadInteger((*words)[4], 0, UINT32_MAX);
    const auto created = ReadInteger((*words)[5], 0, INT64_MAX);
    // No process, no time of its making: one spelling for each session.
    if (!id || !state || !shutdown || !process || !created || (*process == 0 && *created != 0))
        return std::nullopt;
    StoredSession session{static_cast<std::uint32_t>(*id), std::string((*words)[1]), *state, *shutdown, std::nullopt};
    if (*process != 0)
        session.process = LockServiceProcess{static_cast<std::uint32_t>(*process), static_cast<std::uint64_t>(*created)};
    return session;
}
}  // namespace

std::string EncodeStoredSessions(const StoredSessions& stored)
{
    std::string text = std::to_string(stored.bootUtcMs);
    for (const StoredSession& session : stored.sessions) {
        const LockServiceProcess process = session.process.value_or(LockServiceProcess{});
        text += ';' + std::to_string(session.sessionId) + ' ' + session.userSid + ' ' +
                std::string(LockStateWord(session.state)) + ' ' + std::to_string(session.shutdownAtUtcMs) + ' ' +
                std::to_string(process.id) + ' ' + std::to_string(process.created);
    }
    return text;
}

std::optional<StoredSessions> ParseStoredSessions(std::string_view text)
{
    // The boot, then each session after a ";".
    std::size_t end = text.find(';');
    const auto boot = ReadInteger(text.substr(0, end), INT64_MIN + 1, INT64_MAX);
    if (!boot)
        return std::nullopt;
    StoredSessions stored{*boot, {}};
    while (end != std::string_view::npos) {
        text.remove_prefix(end + 1);
        end = text.find(';');
        const std::optional<StoredSession> session = ParseSession(text.substr(0, end));
        if (!session)
            return std::nullopt;
        stored.sessions.push_back(*session);
    }
    return stored;
}

std::optional<std::string> GuardStore::ReadText(const std::string& name)
{
    const auto key = registry_.Open(RootKey::LocalMachine, kGuardStoreKeyPath, KeyAccess::Read, false);
    if (!key)
        return std::nullopt;
    const std::optional<RegValue> value = key->Read(name);
    if (!value || value->type != RegType::String)
        return std::nullopt;
    return value->text;
}

void GuardStore::WriteText(const std::string& name, const std::string& text)
{
    const auto key = registry_.Open(RootKey::LocalMachine, kGuardStoreKeyPath, KeyAccess::Full, true);
    if (!key)
        throw RegistryError(EnglishText(TextId::MessageGuardKeyNotOpened));
    WriteTextValue(*key, name, text);
}

std::optional<TimeZoneRules> GuardStore::Zone()
{
    const std::optional<std::string> text = ReadText("Zone");
    return text ? ParseZone(*text) : std::nullopt;
}

void GuardStore::SetZone(const TimeZoneRules& zone)
{
    WriteText("Zone", EncodeZone(zone));
}

std::optional<StoredSessions> GuardStore::Sessions()
{
    const std::optional<std::string> text = ReadText("Sessions");
    return text ? ParseStoredSessions(*text) : std::nullopt;
}

void GuardStore::SetSessions(const StoredSessions& sessions)
{
    WriteText("Sessions", EncodeStoredSessions(sessions));
}

std::optional<GuardDay> GuardStore::Use(const std::string& userSid)
{
    const std::optional<std::string> text = ReadText("Use " + userSid);
    const auto words = text ? SplitWords(*text) : std::nullopt;
    return words ? ParseGuardDay(*words) : std::nullopt;
}

void GuardStore::SetUse(const std::string& userSid, const GuardDay& use)
{
    WriteText("Use " + userSid, EncodeGuardDay(use));
}

std::optional<std::int32_t> GuardStore::ExpiredDay(const std::string& userSid)
{
    const std::optional<std::string> text = ReadText("Expired " + userSid);
    const auto day = text ? ReadInteger(*text, 0, INT32_MAX) : std::nullopt;
    return day ? std::optional<std::int32_t>(static_cast<std::int32_t>(*day)) : std::nullopt;
}

void GuardStore::SetExpiredDay(const std::string& userSid, std::int32_t day)
{
    WriteText("Expired " + userSid, std::to_string(day));
}

}  // namespace vardex
