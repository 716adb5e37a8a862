#include "Guardian.h"

#include "common/Errors.h"
#include "common/RegValues.h"
#include "config/Settings.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace vardex {

namespace {
constexpr std::int64_t kRetryMs = 1000;
// A start that ended without ever telling its state found another lock service running in the
// session (started by the user, or before us): it is tried again now and then, not every second.
constexpr std::int64_t kOtherServiceRetryMs = 10000;
// The lock service shuts down itself when its grace is over (a tick or two after); the session
// is ended only when that has not happened a while later.
constexpr std::int64_t kShutdownSlackMs = 10000;

std::string Who(const GuardClient& client)
{
    return "process " + std::to_string(client.processId) + " of " + client.userName + " in session " +
           std::to_string(client.sessionId);
}
}  // namespace

Guardian::Guardian(GuardianHost& host, Registry& registry, FileSystem& files, Clock& clock, UserKeyOf userKeyOf,
                   std::string programDirectory)
    : host_(host), registry_(registry), files_(files), clock_(clock), userKeyOf_(std::move(userKeyOf)),
      programDirectory_(std::move(programDirectory)), zone_(clock.Zone())
{
}

void Guardian::SessionsPresent(const std::vector<std::pair<std::uint32_t, std::string>>& sessions)
{
    // One whose lock service still runs is kept, deadline and all: a list read in the middle of
    // a session switch may miss it.
    std::erase_if(sessions_, [&sessions](const auto& known) {
        return !known.second.processId &&
               std::none_of(sessions.begin(), sessions.end(), [&known](const auto& s) { return s.first == known.first; });
    });
    for (const auto& [id, userName] : sessions) {
        const auto found = sessions_.find(id);
        if (found == sessions_.end() || found->second.userName != userName)
            SessionLoggedOn(id, userName);
    }
}

void Guardian::SessionLoggedOn(std::uint32_t sessionId, const std::string& userName)
{
    Session& session = sessions_[sessionId];
    if (session.processId && session.userName == userName)
        return;
    session = Session{};
    session.userName = userName;
    Start(sessionId, session);
}

void Guardian::SessionEnding(std::uint32_t sessionId)
{
    if (const auto found = sessions_.find(sessionId); found != sessions_.end())
        found->second.ending = true;
}

void Guardian::LockServiceEnded(std::uint32_t sessionId)
{
    const auto found = sessions_.find(sessionId);
    if (found == sessions_.end())
        return;
    Session& session = found->second;
    session.processId.reset();
    if (session.ending || session.state == LockState::SessionEnding)
        return;
    if (session.state == LockState::Exited) {
        host_.Log(GuardLogKind::Information, "The lock service of " + session.userName + " in session " +
                                                 std::to_string(sessionId) + " was ended from its configuration.");
        return;
    }
    if (!session.reported) {
        if (!std::exchange(session.otherRuns, true))
            host_.Log(GuardLogKind::Warning, "The lock service started in session " + std::to_string(sessionId) +
                                                 " ended at once; another one may run there. Trying again now and then.");
        session.startAtMs = clock_.ElapsedMs() + kOtherServiceRetryMs;
        return;
    }
    host_.Log(GuardLogKind::Warning, "The lock service of " + session.userName + " in session " +
                                         std::to_string(sessionId) + " ended; it is started again.");
    Start(sessionId, session);
}

void Guardian::Start(std::uint32_t sessionId, Session& session)
{
    const std::string arguments = StartArguments(session);
    session.reported = false;
    session.startAtMs.reset();
    session.processId = host_.StartLockService(sessionId, arguments);
    if (!session.processId) {
        session.startAtMs = clock_.ElapsedMs() + kRetryMs;
        if (!std::exchange(session.startFailing, true))
            host_.Log(GuardLogKind::Error, "The lock service could not be started in session " +
                                               std::to_string(sessionId) + "; trying again.");
        return;
    }
    session.startFailing = false;
    if (!session.otherRuns)
        host_.Log(GuardLogKind::Information, "Started the lock service for " + session.userName + " in session " +
                                                 std::to_string(sessionId) +
                                                 (arguments.empty() ? "." : " with " + arguments + "."));
}

std::string Guardian::StartArguments(const Session& session) const
{
    // A lock or an expiry goes on in the new service; an expiry keeps what is left of its grace.
    if (session.state == LockState::Locked)
        return "/lock";
    if (session.state == LockState::Expired && session.shutdownAtMs) {
        const std::int64_t left = std::clamp<std::int64_t>(*session.shutdownAtMs - clock_.ElapsedMs(), 0, INT32_MAX);
        return "/lock /grace " + std::to_string(left);
    }
    return {};
}

std::string_view Guardian::Handle(const GuardClient& client, std::string_view message)
{
    const std::optional<GuardRequest> request = ParseGuardRequest(message);
    if (!request) {
        host_.Log(GuardLogKind::Warning, "Dropped a malformed message of " + std::to_string(message.size()) +
                                             " bytes from " + Who(client) + ".");
        return kGuardRefused;
    }
    bool accepted = true;
    switch (request->kind) {
    case GuardRequestKind::Ping: break;
    case GuardRequestKind::DayUse: accepted = StoreDayUse(client, *request); break;
    case GuardRequestKind::LogLine: accepted = AppendLogLine(client, *request); break;
    case GuardRequestKind::State: accepted = TakeState(client, *request); break;
    }
    return accepted ? kGuardAccepted : kGuardRefused;
}

std::int32_t Guardian::Today()
{
    const LocalTime now = LocalFromUtc(clock_.UtcNow(), zone_);
    return DayNumber(now.year, now.month, now.day);
}

bool Guardian::StoreDayUse(const GuardClient& client, const GuardRequest& request)
{
    // Only today's count, and never lower than what is stored: a program of the user cannot
    // give back time already used, nor start a new day early.
    const std::string userKey = userKeyOf_(client.userName);
    const bool today = request.day == Today();
    // A request for another day does not even open the key.
    const auto key = today ? registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, true) : nullptr;
    std::string refusal;
    if (!today)
        refusal = "a day other than today";
    else if (!key)
        refusal = "the settings key cannot be opened";
    const std::optional<std::int32_t> storedDay =
        key ? ReadIntegerValue(*key, userKey + SettingNames::CounterDay) : std::nullopt;
    const std::optional<std::int32_t> storedUse =
        key ? ReadIntegerValue(*key, userKey + SettingNames::UsedSeconds) : std::nullopt;
    const auto used = static_cast<std::int32_t>(std::min<std::uint32_t>(request.usedSeconds, INT32_MAX));
    if (refusal.empty() && storedDay == request.day && storedUse.value_or(0) > used)
        refusal = "a count lower than the stored one";
    if (refusal.empty()) {
        try {
            WriteIntegerValue(*key, userKey + SettingNames::CounterDay, request.day);
            WriteIntegerValue(*key, userKey + SettingNames::UsedSeconds, used);
            return true;
        } catch (const Error& error) {
            refusal = error.what();
        }
    }
    host_.Log(GuardLogKind::Warning, "Refused the day's use of " + userKey + " from " + Who(client) + ": " + refusal + ".");
    return false;
}

bool Guardian::AppendLogLine(const GuardClient& client, const GuardRequest& request)
{
    const std::string path = programDirectory_ + userKeyOf_(client.userName) + ".log";
    try {
        if (!files_.Exists(path))
            files_.CreateEmpty(path);
        files_.Append(path, request.line + "\r\n");
        return true;
    } catch (const Error& error) {
        host_.Log(GuardLogKind::Error, "Cannot write " + path + " for " + Who(client) + ": " + error.what());
        return false;
    }
}

bool Guardian::TakeState(const GuardClient& client, const GuardRequest& request)
{
    // Only the lock service we started says what it is doing: another program of the user
    // must not cancel an expiry or stop the next start.
    const auto found = sessions_.find(client.sessionId);
    if (found == sessions_.end() || found->second.processId != client.processId) {
        host_.Log(GuardLogKind::Warning, "Refused a state change from " + Who(client) + ", not a lock service started here.");
        return false;
    }
    Session& session = found->second;
    session.reported = true;
    session.otherRuns = false;
    session.state = request.state;
    if (request.state != LockState::Expired)
        session.shutdownAtMs.reset();
    else if (!session.shutdownAtMs)
        session.shutdownAtMs = clock_.ElapsedMs() + request.graceLeftMs;
    return true;
}

std::optional<std::int64_t> Guardian::Tick()
{
    const std::int64_t now = clock_.ElapsedMs();
    std::optional<std::int64_t> next;
    const auto soonest = [&next](std::int64_t ms) { next = next ? std::min(*next, ms) : ms; };
    for (auto& [id, session] : sessions_) {
        if (session.shutdownAtMs && *session.shutdownAtMs + kShutdownSlackMs <= now && !session.ending) {
            host_.Log(GuardLogKind::Information, "The grace period of " + session.userName + " in session " +
                                                     std::to_string(id) + " is over; the session is ended.");
            session.ending = true;
            session.shutdownAtMs.reset();
            host_.EndSession(id);
        }
        if (session.shutdownAtMs)
            soonest(*session.shutdownAtMs + kShutdownSlackMs - now);
        if (session.startAtMs && *session.startAtMs <= now && !session.ending)
            Start(id, session);
        if (session.startAtMs)
            soonest(*session.startAtMs - now);
    }
    return next;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> Guardian::Watched() const
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> watched;
    for (const auto& [id, session] : sessions_)
        if (session.processId)
            watched.emplace_back(id, *session.processId);
    return watched;
}

}  // namespace vardex
