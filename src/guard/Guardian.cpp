#include "Guardian.h"

#include "common/Accounts.h"
#include "common/Errors.h"
#include "common/RegValues.h"
#include "config/Settings.h"
#include "config/UsageHistory.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

namespace vardex {

namespace {
// Heartbeats come every 3 s: a longer gap between two of them is not counted beyond this.
constexpr std::int64_t kCountStepLimitMs = 6500;
constexpr std::int64_t kThrottleWindowMs = 60000;
// The guardian's own loop runs at least every second or two: a longer gap is the system's
// sleep, after which nobody's heartbeat is overdue yet.
constexpr std::int64_t kSleepGapMs = 5000;
// The boot the stored sessions belong to, as the UTC time of the start: two readings of it differ
// by what the wall clock was corrected meanwhile.
constexpr std::int64_t kBootToleranceMs = 120000;
// The longest the loop waits between two ticks.
constexpr std::int64_t kTickMs = 1000;

std::string OfSession(const std::string& userName, std::uint32_t sessionId)
{
    const std::string session = std::to_string(sessionId);
    return userName.empty() ? EnglishMessage(TextId::MessageInSession, {session})
                            : EnglishMessage(TextId::MessageOfUserInSession, {userName, session});
}

std::string ClientText(const GuardClient& client)
{
    const std::string process = std::to_string(client.processId), session = std::to_string(client.sessionId);
    if (client.userName.empty())
        return EnglishMessage(TextId::MessageProcessInSession, {process, session});
    return EnglishMessage(TextId::MessageProcessOfUserInSession, {process, client.userName, session});
}

std::uint32_t AddSeconds(std::uint32_t used, std::int64_t seconds)
{
    return static_cast<std::uint32_t>(std::min<std::int64_t>(std::int64_t{used} + seconds, UINT32_MAX));
}
}  // namespace

Guardian::Guardian(GuardianHost& host, Registry& registry, FileSystem& files, Clock& clock, UserKeyOf userKeyOf,
                   std::string programDirectory, LogLineCheck logLineCheck, LogAppender logAppender)
    : host_(host), registry_(registry), files_(files), clock_(clock), store_(registry), userKeyOf_(std::move(userKeyOf)),
      programDirectory_(std::move(programDirectory)), logLineCheck_(std::move(logLineCheck)),
      logAppender_(std::move(logAppender)), time_(clock)
{
    std::optional<TimeZoneRules> stored;
    try {
        stored = store_.Zone();
    } catch (const std::exception&) {
    }
    zone_ = stored.value_or(clock.Zone());
    if (!stored) {
        try {
            store_.SetZone(zone_);
        } catch (const std::exception& error) {
            Report(GuardLogKind::Error, TextId::MessageGuardZoneNotStored, {error.what()});
        }
    }
    time_.UseZone(zone_);
}

void Guardian::Restore()
{
    const std::int64_t now = clock_.ElapsedMs();
    std::optional<StoredSessions> stored;
    try {
        stored = store_.Sessions();
    } catch (const std::exception& error) {
        Report(GuardLogKind::Error, TextId::MessageGuardSessionsNotRead, {error.what()});
    }
    if (stored && std::llabs(stored->bootUtcMs - Boot()) <= kBootToleranceMs) {
        for (const StoredSession& entry : stored->sessions) {
            Session& session = sessions_[entry.sessionId];
            session.userSid = entry.userSid;
            session.state = entry.state;
            session.restarting = true;
            if (entry.shutdownAtUtcMs != 0)
                session.shutdownAtMs = entry.shutdownAtUtcMs - clock_.UtcNow() + now;
            session.startedMs = now;
            session.unguardedSinceMs = now;
            // Its channel went with the guardian before us: it asks for a new one.
            if (entry.process && host_.AdoptLockService(entry.sessionId, *entry.process)) {
                session.process = entry.process;
                Report(GuardLogKind::Information, TextId::MessageGuardTookBack,
                       {OfSession({}, entry.sessionId), LockStateWord(entry.state)});
            }
        }
    }
    Persist();
}

void Guardian::SessionLoggedOn(const SessionUser& user)
{
    const auto found = sessions_.find(user.sessionId);
    if (found != sessions_.end() && found->second.process && found->second.userSid == user.userSid) {
        found->second.userName = user.userName;
        return;
    }
    Fresh(user);
}

void Guardian::Fresh(const SessionUser& user)
{
    EndAdminTrust(user.sessionId);
    Session& session = sessions_[user.sessionId];
    session = Session{};
    session.userName = user.userName;
    session.userSid = user.userSid;
    BecomeUnguarded(session);
    Start(user.sessionId, session);
}

void Guardian::SessionsPresent(const std::vector<SessionUser>& sessions)
{
    // One whose lock service still runs is kept, deadline and all: a list read in the middle of
    // a session switch may miss it.
    const std::size_t before = sessions_.size();
    std::erase_if(sessions_, [&sessions](const auto& known) {
        return !known.second.process && std::none_of(sessions.begin(), sessions.end(), [&known](const SessionUser& s) {
                   return s.sessionId == known.first;
               });
    });
    if (sessions_.size() != before)
        Persist();
    for (const SessionUser& user : sessions) {
        const auto found = sessions_.find(user.sessionId);
        if (found == sessions_.end() || found->second.userSid != user.userSid) {
            Fresh(user);
            continue;
        }
        Session& session = found->second;
        session.userName = user.userName;
        // Taken back from the store with its lock service gone: started again, as it was.
        if (!session.process && !session.startAtMs && !session.ending && session.state != LockState::Exited &&
            session.state != LockState::SessionEnding)
            Start(user.sessionId, session);
    }
}

void Guardian::SessionEnding(std::uint32_t sessionId)
{
    if (const auto found = sessions_.find(sessionId); found != sessions_.end())
        found->second.ending = true;
}

void Guardian::LockServiceEnded(std::uint32_t sessionId, std::uint32_t processId)
{
    const auto found = sessions_.find(sessionId);
    if (found == sessions_.end() || !found->second.process || found->second.process->id != processId)
        return;
    Session& session = found->second;
    session.process.reset();
    session.channelled = false;
    session.endAsked = false;
    EndAdminTrust(sessionId);
    BecomeUnguarded(session);
    if (session.ending || session.state == LockState::SessionEnding) {
        Persist();
        return;
    }
    if (session.state == LockState::Exited) {
        Report(GuardLogKind::Information, TextId::MessageGuardEndedByConfiguration,
               {OfSession(session.userName, sessionId)});
        Persist();
        return;
    }
    Report(GuardLogKind::Warning, TextId::MessageGuardEndedRestarted, {OfSession(session.userName, sessionId)});
    session.restarting = true;
    Start(sessionId, session);
}

void Guardian::Start(std::uint32_t sessionId, Session& session)
{
    const std::string arguments = StartArguments(session);
    const std::int64_t now = clock_.ElapsedMs();
    session.startAtMs.reset();
    session.channelled = false;
    session.endAsked = false;
    session.process = host_.StartLockService(sessionId, arguments);
    if (!session.process) {
        session.startAtMs = now + kRestartRetryMs;
        if (!std::exchange(session.startFailing, true))
            Report(GuardLogKind::Error, TextId::MessageGuardStartFailed, {OfSession(session.userName, sessionId)});
    } else {
        session.startFailing = false;
        session.startedMs = now;
        const std::string where = OfSession(session.userName, sessionId);
        if (arguments.empty())
            Report(GuardLogKind::Information, TextId::MessageGuardStarted, {where});
        else
            Report(GuardLogKind::Information, TextId::MessageGuardStartedWith, {where, arguments});
    }
    Persist();
}

std::string Guardian::StartArguments(const Session& session) const
{
    // The first start of a logon is the lock service's own; every other one goes on locked, an
    // expiry with what is left of its grace.
    if (!session.restarting)
        return {};
    if (session.state == LockState::Expired && session.shutdownAtMs) {
        const std::int64_t left = std::clamp<std::int64_t>(*session.shutdownAtMs - clock_.ElapsedMs(), 0, INT32_MAX);
        return "/lock /grace " + std::to_string(left);
    }
    return "/lock";
}

std::string Guardian::Handle(const GuardClient& client, std::string_view message)
{
    // Each request on its own: whatever goes wrong in one is reported and refused, and the
    // guardian goes on.
    try {
        const std::optional<GuardRequest> request = ParseGuardRequest(message);
        if (!request) {
            Warn("malformed", TextId::MessageGuardMalformed, {std::to_string(message.size()), ClientText(client)});
            return std::string(kGuardRefused);
        }
        return Answer(client, *request);
    } catch (const std::exception& error) {
        Warn("failed", TextId::MessageGuardRequestFailedBecause, {ClientText(client), error.what()});
    } catch (...) {
        Warn("failed", TextId::MessageGuardRequestFailed, {ClientText(client)});
    }
    return std::string(kGuardRefused);
}

std::string Guardian::Answer(const GuardClient& client, const GuardRequest& request)
{
    switch (request.kind) {
    case GuardRequestKind::Ping: return std::string(kGuardAccepted);
    case GuardRequestKind::Who: return Who(client);
    case GuardRequestKind::Channel: return OpenChannelFor(client);
    case GuardRequestKind::Hello:
    case GuardRequestKind::Beat:
    case GuardRequestKind::LogLine: break;
    default: {
        if (!admin_)
            return std::string(kGuardRefused);
        const auto found = sessions_.find(client.sessionId);
        const bool locked = found != sessions_.end() && (found->second.state == LockState::Locked ||
                                                         found->second.state == LockState::Expired);
        return admin_->Answer(client, request, locked);
    }
    }
    // What only the lock service says, and only on its own channel.
    Warn("public", TextId::MessageGuardPublicRefused, {ClientText(client)});
    return std::string(kGuardRefused);
}

std::string Guardian::Who(const GuardClient& client) const
{
    const auto found = sessions_.find(client.sessionId);
    if (found == sessions_.end() || !found->second.process || !found->second.channelled)
        return std::string(kGuardNoService);
    return EncodeWhoAnswer(found->second.process->id);
}

std::string Guardian::OpenChannelFor(const GuardClient& client)
{
    const auto found = sessions_.find(client.sessionId);
    if (found == sessions_.end() || !found->second.process || found->second.process->id != client.processId ||
        found->second.userSid != client.userSid) {
        Warn("channel", TextId::MessageGuardChannelRefused, {ClientText(client)});
        return std::string(kGuardRefused);
    }
    Session& session = found->second;
    const std::optional<std::uint64_t> handle = host_.OpenChannel(client.sessionId, client.processId);
    if (!handle) {
        Warn("channel-failed", TextId::MessageGuardNoChannel, {OfSession(session.userName, client.sessionId)});
        return std::string(kGuardRefused);
    }
    return EncodeChannelAnswer(*handle);
}

std::string Guardian::HandleChannel(std::uint32_t sessionId, std::uint32_t processId, std::string_view message)
{
    try {
        const auto found = sessions_.find(sessionId);
        // A channel of a lock service that has ended since: nothing of it counts any more.
        if (found == sessions_.end() || !found->second.process || found->second.process->id != processId)
            return std::string(kGuardRefused);
        const std::optional<GuardRequest> request = ParseGuardRequest(message);
        if (!request) {
            Warn("malformed", TextId::MessageGuardMalformedChannel,
                 {std::to_string(message.size()), OfSession(found->second.userName, sessionId)});
            return std::string(kGuardRefused);
        }
        return AnswerChannel(sessionId, found->second, *request);
    } catch (const std::exception& error) {
        Warn("failed", TextId::MessageGuardChannelRequestFailedBecause, {std::to_string(sessionId), error.what()});
    } catch (...) {
        Warn("failed", TextId::MessageGuardChannelRequestFailed, {std::to_string(sessionId)});
    }
    return std::string(kGuardRefused);
}

std::string Guardian::AnswerChannel(std::uint32_t sessionId, Session& session, const GuardRequest& request)
{
    switch (request.kind) {
    case GuardRequestKind::Hello:
        // It runs and hears us: the session is guarded from now on. (A channel asked for again
        // after a restart of ours is greeted again; asking alone is no heartbeat.)
        session.lastBeatMs = clock_.ElapsedMs();
        session.channelled = true;
        session.unguardedSinceMs.reset();
        session.unguardedAnswered = false;
        return EncodeHelloAnswer({UseOf(session.userSid), zone_});
    case GuardRequestKind::Beat:
        TakeBeat(sessionId, session, request);
        return EncodeBeatAnswer(UseOf(session.userSid));
    case GuardRequestKind::LogLine:
        return std::string(AppendLogLine(session, request.line) ? kGuardAccepted : kGuardRefused);
    case GuardRequestKind::Grant: return GrantTime(sessionId, session, request.grant, request.text);
    default: break;
    }
    Warn("channel-kind", TextId::MessageGuardChannelKind, {std::to_string(sessionId)});
    return std::string(kGuardRefused);
}

std::string Guardian::GrantTime(std::uint32_t sessionId, Session& session, const GrantChoice& choice,
                                const std::string& proof)
{
    if (!admin_)
        return std::string(kGuardRefused);
    const GuardClient client{sessionId, session.process ? session.process->id : 0, session.userSid, session.userName};
    const AdminGate::Proof proved = admin_->CheckGrantProof(client, proof);
    if (proved.waitSeconds)
        return EncodeWaitAnswer(proved.waitSeconds);
    if (!proved.by)
        return std::string(kGuardWrongPassword);
    GuardDay use = UseOf(session.userSid);
    const LocalTime now = time_.Read().local;
    const LocalMoment moment{DayNumber(now.year, now.month, now.day), now.hour * 3600 + now.minute * 60 + now.second};
    const std::optional<DayGrant> grant = Granted(use.Grant(), choice, moment);
    if (!grant || grant->day != use.day)
        return std::string(kGuardRefused);  // a time of today already past
    use.grantUntil = grant->until;
    use.grantSeconds = grant->seconds;
    uses_[session.userSid] = use;
    StoreUse(session, use);
    Report(GuardLogKind::Information, TextId::MessageGuardGranted,
           {session.userName.empty() ? session.userSid : session.userName, GrantEventText(choice, *proved.by)});
    return EncodeGrantedAnswer(*proved.by, use);
}

void Guardian::EndAdminTrust(std::uint32_t sessionId)
{
    if (admin_)
        admin_->EndTrustIn(sessionId);
}

void Guardian::TakeBeat(std::uint32_t sessionId, Session& session, const GuardRequest& request)
{
    const std::int64_t now = clock_.ElapsedMs();
    // The beat tells whether the time since the last one counted (the lock service counted it,
    // as its tick does, unless it expired at that tick).
    session.counting = request.counting;
    CountUse(session, now);
    session.lastBeatMs = now;
    const LockState before = session.state;
    const std::optional<std::int64_t> deadlineBefore = session.shutdownAtMs;
    session.state = request.state;
    // A lock ends every trust given before it.
    if (request.state == LockState::Locked || request.state == LockState::Expired)
        EndAdminTrust(sessionId);
    if (request.state == LockState::Expired)
        MarkExpired(session.userSid);
    if (request.state != LockState::Expired)
        session.shutdownAtMs.reset();
    else if (!session.shutdownAtMs)
        session.shutdownAtMs = now + request.graceLeftMs;
    if (session.state != before || session.shutdownAtMs != deadlineBefore)
        Persist();
}

void Guardian::CountUse(Session& session, std::int64_t now)
{
    if (!session.counting)
        return;
    session.uncountedMs += std::clamp<std::int64_t>(now - session.lastBeatMs, 0, kCountStepLimitMs);
    const std::int64_t seconds = session.uncountedMs / 1000;
    session.uncountedMs %= 1000;
    if (seconds == 0)
        return;
    GuardDay use = UseOf(session.userSid);
    use.usedSeconds = AddSeconds(use.usedSeconds, seconds);
    use.weekUsedSeconds = AddSeconds(use.weekUsedSeconds, seconds);
    uses_[session.userSid] = use;
    StoreUse(session, use);
}

GuardDay Guardian::UseOf(const std::string& userSid)
{
    const std::int32_t today = Today();
    auto found = uses_.find(userSid);
    if (found == uses_.end()) {
        std::optional<GuardDay> stored;
        try {
            stored = store_.Use(userSid);
        } catch (const std::exception& error) {
            Warn("store", TextId::MessageGuardUseNotRead, {userSid, error.what()});
        }
        found = uses_.emplace(userSid, stored.value_or(GuardDay{today, 0, 0, 0})).first;
        try {
            expiredDays_[userSid] = store_.ExpiredDay(userSid).value_or(0);
        } catch (const std::exception&) {
            // Its day's line says "not expired": nothing else depends on it.
        }
    }
    GuardDay& use = found->second;
    const GuardDay finished = use;
    if (use.day != today) {
        use.day = today;
        use.usedSeconds = 0;
        use.grantUntil = use.grantSeconds = 0;  // a grant holds on its day only
    }
    if (const std::int32_t week = WeekStartOf(today, firstWeekday_); use.week != week) {
        use.week = week;
        use.weekUsedSeconds = 0;
    }
    if (finished.day != today) {
        // Stored at once: a restart of ours before the next count must not add the line again.
        try {
            store_.SetUse(userSid, use);
        } catch (const std::exception& error) {
            Warn("store", TextId::MessageGuardUseNotStored, {userSid, error.what()});
        }
        if (finished.day > 0 && finished.day < today)
            RecordDay(userSid, finished);
    }
    return use;
}

void Guardian::RecordDay(const std::string& userSid, const GuardDay& finished)
{
    const auto session = std::find_if(sessions_.begin(), sessions_.end(), [&userSid](const auto& entry) {
        return entry.second.userSid == userSid && !entry.second.userName.empty();
    });
    if (session == sessions_.end())
        return;
    const std::string& userName = session->second.userName;
    const std::string userKey = userKeyOf_(userName);
    if (userKey == kDefaultUserKey)
        return;
    UsageDay day{finished.day, finished.usedSeconds / 60, std::nullopt,
                 static_cast<std::uint32_t>((finished.grantSeconds + 30) / 60), expiredDays_[userSid] == finished.day};
    try {
        day.minutesAllowed = AllowedMinutes(registry_, userKey, programDirectory_, firstWeekday_, finished.day);
        AppendUsageDay(files_, UsageHistoryPath(programDirectory_, userKey), day);
    } catch (const std::exception& error) {
        Warn("usage-write", TextId::MessageGuardUsageNotWritten, {userName, IsoDate(finished.day), error.what()});
    }
}

void Guardian::MarkExpired(const std::string& userSid)
{
    const std::int32_t today = UseOf(userSid).day;  // a day change first finishes the day before
    std::int32_t& expired = expiredDays_[userSid];
    if (expired == today)
        return;
    expired = today;
    try {
        store_.SetExpiredDay(userSid, today);
    } catch (const std::exception& error) {
        Warn("store", TextId::MessageGuardExpiryNotStored, {userSid, error.what()});
    }
}

void Guardian::StoreUse(const Session& session, const GuardDay& use)
{
    try {
        store_.SetUse(session.userSid, use);
        // Where the settings keep the use of a listed user, they keep it too: a lock service
        // that runs without us goes on from there.
        const std::string userKey = userKeyOf_(session.userName);
        if (userKey != kDefaultUserKey && !session.userName.empty()) {
            if (const auto key = registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, true)) {
                WriteIntegerValue(*key, userKey + SettingNames::CounterDay, use.day);
                WriteIntegerValue(*key, userKey + SettingNames::UsedSeconds,
                                  static_cast<std::int32_t>(std::min<std::uint32_t>(use.usedSeconds, INT32_MAX)));
                WriteIntegerValue(*key, userKey + SettingNames::WeekCounterDay, use.week);
                WriteIntegerValue(*key, userKey + SettingNames::WeekUsedSeconds,
                                  static_cast<std::int32_t>(std::min<std::uint32_t>(use.weekUsedSeconds, INT32_MAX)));
                if (const std::optional<DayGrant> grant = use.Grant())
                    WriteTextValue(*key, userKey + SettingNames::Grant, EncodeDayGrant(*grant));
            }
        }
    } catch (const std::exception& error) {
        Warn("store", TextId::MessageGuardUseNotStored, {session.userName, error.what()});
    }
}

bool Guardian::AppendLogLine(Session& session, const std::string& line)
{
    if (!logLineCheck_(line)) {
        Warn("log-form", TextId::MessageGuardLogForm, {session.userName});
        return false;
    }
    const std::int64_t now = clock_.ElapsedMs();
    if (now - session.logMinuteMs >= 60000) {
        session.logMinuteMs = now;
        session.logLinesThisMinute = 0;
    }
    if (++session.logLinesThisMinute > kLogLinesPerMinute) {
        Warn("log-rate", TextId::MessageGuardLogRate, {session.userName, std::to_string(kLogLinesPerMinute)});
        return false;
    }
    const std::string path = programDirectory_ + userKeyOf_(session.userName) + ".log";
    try {
        logAppender_(files_, path, line + "\r\n");
        return true;
    } catch (const Error& error) {
        Warn("log-write", TextId::MessageGuardLogWrite, {path, error.what()});
        return false;
    }
}

std::int64_t Guardian::Tick()
{
    const std::int64_t now = clock_.ElapsedMs();
    if (lastTickMs_ && now - *lastTickMs_ > kSleepGapMs) {
        // The system slept (or we were held up): every clock of ours starts afresh.
        for (auto& [id, session] : sessions_) {
            session.lastBeatMs = now;
            session.startedMs = now;
            if (session.unguardedSinceMs)
                session.unguardedSinceMs = now;
        }
    }
    lastTickMs_ = now;
    std::int64_t next = kTickMs;
    for (auto& [id, session] : sessions_)
        TickSession(id, session, now, next);
    FlushThrottles(now);
    return std::max<std::int64_t>(next, 0);
}

void Guardian::TickSession(std::uint32_t id, Session& session, std::int64_t now, std::int64_t& next)
{
    if (session.shutdownAtMs && *session.shutdownAtMs + kShutdownSlackMs <= now && !session.ending) {
        Report(GuardLogKind::Information, TextId::MessageGuardGraceOver, {OfSession(session.userName, id)});
        session.ending = true;
        session.shutdownAtMs.reset();
        host_.EndSession(id);
        Persist();
    }
    if (session.shutdownAtMs)
        next = std::min(next, *session.shutdownAtMs + kShutdownSlackMs - now);
    if (session.ending)
        return;
    if (session.process && !session.endAsked) {
        const bool silent = session.channelled ? now - session.lastBeatMs > kSilenceLimitMs
                                               : now - session.startedMs > kChannelWaitMs;
        if (silent) {
            Report(GuardLogKind::Warning,
                   session.channelled ? TextId::MessageGuardWentSilent : TextId::MessageGuardNeverSpoke,
                   {OfSession(session.userName, id)});
            session.endAsked = true;
            session.restarting = true;
            host_.EndLockService(session.process->id);
        }
    }
    // Without a lock service of ours, the system's own lock holds the session until a new one
    // runs; an expired one is ended.
    const std::int64_t limit = session.restarting ? kUnguardedLimitMs : kUnguardedAtLogonLimitMs;
    if (session.unguardedSinceMs && !session.unguardedAnswered && session.state != LockState::Exited &&
        session.state != LockState::SessionEnding) {
        if (now - *session.unguardedSinceMs >= limit) {
            session.unguardedAnswered = true;
            if (session.state == LockState::Expired) {
                Report(GuardLogKind::Warning, TextId::MessageGuardExpiredUnguarded, {OfSession(session.userName, id)});
                session.ending = true;
                host_.EndSession(id);
                return;
            }
            Report(GuardLogKind::Warning, TextId::MessageGuardUnguarded, {OfSession(session.userName, id)});
            host_.LockSession(id);
        } else {
            next = std::min(next, *session.unguardedSinceMs + limit - now);
        }
    }
    if (session.startAtMs && *session.startAtMs <= now && session.state != LockState::Exited)
        Start(id, session);
    if (session.startAtMs)
        next = std::min(next, *session.startAtMs - now);
}

void Guardian::BecomeUnguarded(Session& session)
{
    if (!session.unguardedSinceMs) {
        session.unguardedSinceMs = clock_.ElapsedMs();
        session.unguardedAnswered = false;
    }
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> Guardian::Watched() const
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> watched;
    for (const auto& [id, session] : sessions_)
        if (session.process)
            watched.emplace_back(id, session.process->id);
    return watched;
}

void Guardian::Persist()
{
    const std::int64_t now = clock_.ElapsedMs();
    const std::int64_t utcNow = clock_.UtcNow();
    StoredSessions stored{Boot(), {}};
    for (const auto& [id, session] : sessions_) {
        if (session.userSid.empty())
            continue;
        const std::int64_t shutdown =
            session.shutdownAtMs ? std::max<std::int64_t>(utcNow + *session.shutdownAtMs - now, 1) : 0;
        stored.sessions.push_back({id, session.userSid, session.state, shutdown, session.process});
    }
    try {
        store_.SetSessions(stored);
    } catch (const std::exception& error) {
        Warn("store", TextId::MessageGuardSessionsNotStored, {error.what()});
    }
}

std::int64_t Guardian::Boot()
{
    return clock_.UtcNow() - clock_.ElapsedMs();
}

std::int32_t Guardian::Today()
{
    const LocalTime now = time_.Read().local;
    return DayNumber(now.year, now.month, now.day);
}

void Guardian::Warn(const std::string& kind, const std::string& text)
{
    const std::int64_t now = clock_.ElapsedMs();
    Throttle& throttle = throttles_[kind];
    if (throttle.open && now - throttle.windowStartMs < kThrottleWindowMs) {
        ++throttle.suppressed;
        return;
    }
    FlushThrottles(now);
    throttle = Throttle{now, 0, true, text};
    Report(GuardLogKind::Warning, text);
}

void Guardian::FlushThrottles(std::int64_t now)
{
    for (auto& [kind, throttle] : throttles_) {
        if (!throttle.open || now - throttle.windowStartMs < kThrottleWindowMs)
            continue;
        if (throttle.suppressed > 0)
            Report(GuardLogKind::Warning, TextId::MessageGuardMoreLikeThis,
                   {std::to_string(throttle.suppressed), throttle.first});
        throttle = Throttle{};
    }
}

void Guardian::Warn(const std::string& kind, TextId message, std::initializer_list<std::string_view> filledIn)
{
    Warn(kind, EnglishMessage(message, filledIn));
}

void Guardian::Report(GuardLogKind kind, TextId message, std::initializer_list<std::string_view> filledIn)
{
    Report(kind, EnglishMessage(message, filledIn));
}

void Guardian::Report(GuardLogKind kind, const std::string& text)
{
    try {
        host_.Log(kind, text);
    } catch (...) {
        // The log itself failing must not stop the guardian.
    }
}

}  // namespace vardex
