#pragma once
// The guardian's rules: which lock service runs in which session, when a new one is started and
// with what, when a lock service that went silent is replaced, when a session without one is
// locked or ended, how each user's use of the day is counted, and what a session's programs may
// ask. The Windows service around it only reports what happens and carries the answers. At each
// listed user's day change, it adds the finished day to the user's usage history.
//
// A lock service ends for good only by the administrator's Exit or with its Windows session;
// any other end, of the process or of its heartbeat, is answered by a new lock service, locked.
#include "AdminGate.h"
#include "GuardProtocol.h"
#include "GuardStore.h"
#include "common/Clock.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/Texts.h"
#include "common/TrustedTime.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

// A session with a user logged on.
struct SessionUser {
    std::uint32_t sessionId = 0;
    std::string userName;
    std::string userSid;
    bool operator==(const SessionUser&) const = default;
};

// What the guardian asks of the system.
class GuardianHost {
public:
    virtual ~GuardianHost() = default;
    // Starts the lock service in the session as the session's user, protected from that user;
    // its process, or nothing when it could not be started.
    virtual std::optional<LockServiceProcess> StartLockService(std::uint32_t sessionId, const std::string& arguments) = 0;
    // A lock service that an earlier run of the guardian started: true when that very process
    // still runs as our lock service in the session, and is now watched.
    virtual bool AdoptLockService(std::uint32_t sessionId, const LockServiceProcess& process) = 0;
    // Ends a lock service that went silent; its end is then reported as any other.
    virtual void EndLockService(std::uint32_t processId) = 0;
    // Gives the lock service in that process a channel to us that no other program holds; the
    // handle as that process sees it, or nothing.
    virtual std::optional<std::uint64_t> OpenChannel(std::uint32_t sessionId, std::uint32_t processId) = 0;
    // Ends the session: its user is logged off.
    virtual void EndSession(std::uint32_t sessionId) = 0;
    // Shows the system's own lock for the session.
    virtual void LockSession(std::uint32_t sessionId) = 0;
    // One entry of the guardian's own log.
    virtual void Log(GuardLogKind kind, const std::string& text) = 0;
};

// How long things may take before the guardian steps in.
inline constexpr std::int64_t kRestartRetryMs = 1000;
// A lock service with a channel beats every 3 s; this long without a beat, it is replaced.
inline constexpr std::int64_t kSilenceLimitMs = 10000;
// A started lock service has this long to speak on its channel.
inline constexpr std::int64_t kChannelWaitMs = 15000;
// A session with a user and no lock service of ours for this long is locked by the system (or
// ended, when its time has expired); at a logon, where a start may be slow, a while longer.
inline constexpr std::int64_t kUnguardedLimitMs = 8000;
inline constexpr std::int64_t kUnguardedAtLogonLimitMs = 30000;
// The lock service shuts down itself when its grace is over (a tick or two after); the session
// is ended only when that has not happened a while later.
inline constexpr std::int64_t kShutdownSlackMs = 10000;
// Statistics lines a session's lock service may have written per minute (a prompt that slows
// guesses down writes a few).
inline constexpr int kLogLinesPerMinute = 30;

class Guardian {
public:
    using UserKeyOf = std::function<std::string(const std::string& userName)>;
    // True for a statistics line in the log's fixed form.
    using LogLineCheck = std::function<bool(std::string_view line)>;
    // Appends a line (with its line end) to a log, keeping the log within its size.
    using LogAppender = std::function<void(FileSystem& files, const std::string& path, const std::string& bytes)>;

    // The day is judged with the time-zone rules of the guardian's store, recorded there at its
    // first start: neither a zone the user switches nor the guardian's own restart moves it.
    Guardian(GuardianHost& host, Registry& registry, FileSystem& files, Clock& clock, UserKeyOf userKeyOf,
             std::string programDirectory, LogLineCheck logLineCheck, LogAppender logAppender);

    // After a restart of the guardian: takes the sessions of the store back, and the lock
    // services still running in them. Sessions of an earlier boot are dropped.
    void Restore();
    // A user logged on in the session (the system's notice): a fresh start there.
    void SessionLoggedOn(const SessionUser& user);
    // The sessions with a user logged on, as the system lists them now (at start, and now and
    // then in case a notice was missed): a session not known yet is taken as logged on, one no
    // longer listed and without a running lock service is forgotten. A known one goes on.
    void SessionsPresent(const std::vector<SessionUser>& sessions);
    // The session ends (log off, shutdown): what ends in it now is not started again.
    void SessionEnding(std::uint32_t sessionId);
    // The lock service we started in the session has ended.
    void LockServiceEnded(std::uint32_t sessionId, std::uint32_t processId);
    // The answer to one message on the public pipe.
    std::string Handle(const GuardClient& client, std::string_view message);
    // The answer to one message on the channel of the session's lock service in that process.
    std::string HandleChannel(std::uint32_t sessionId, std::uint32_t processId, std::string_view message);
    // Replaces silent lock services, locks or ends unguarded sessions, ends sessions whose grace
    // is over and starts again what could not be started before; the milliseconds until it
    // needs to run again.
    std::int64_t Tick();

    // Where the configuration window's requests go; without one they are refused.
    void UseAdminGate(AdminGate& gate) noexcept { admin_ = &gate; }
    // The week's first day (0 Monday ... 6 Sunday) of the system's regional settings, from which
    // each user's week of use is counted.
    void UseFirstWeekday(int day) noexcept { firstWeekday_ = day; }

    // The lock services to watch: session id and process id.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Watched() const;
    // Today's use of a user, by SID, as counted.
    GuardDay UseOf(const std::string& userSid);
    // A warning of a kind: the first of a minute goes to the log, the rest are counted and
    // summed up, so that a program that sends garbage as fast as it can fills nothing.
    void Warn(const std::string& kind, const std::string& text);

private:
    struct Session {
        std::string userName;
        std::string userSid;
        std::optional<LockServiceProcess> process;
        LockState state = LockState::Unlocked;
        std::optional<std::int64_t> shutdownAtMs;  // on the elapsed-time clock
        bool ending = false;
        bool channelled = false;  // the running one spoke on its channel: it is the lock service
        bool endAsked = false;    // a silent one was ended; its end is awaited
        bool restarting = false;  // a lock service ran here before: the next one starts locked
        std::int64_t startedMs = 0;
        std::int64_t lastBeatMs = 0;
        bool counting = false;  // the time up to the last beat counted
        std::int64_t uncountedMs = 0;  // counted time below a whole second
        std::optional<std::int64_t> startAtMs;       // a start that failed, due again
        std::optional<std::int64_t> unguardedSinceMs;  // no lock service of ours with a channel
        bool unguardedAnswered = false;
        bool startFailing = false;  // logged once until a start succeeds
        std::int64_t logMinuteMs = 0;
        int logLinesThisMinute = 0;
    };
    // Warnings of one kind: the first of a minute is logged, the rest counted and summed up.
    struct Throttle {
        std::int64_t windowStartMs = 0;
        int suppressed = 0;
        bool open = false;
        std::string first;
    };

    void Fresh(const SessionUser& user);
    void Start(std::uint32_t sessionId, Session& session);
    std::string StartArguments(const Session& session) const;
    std::string Answer(const GuardClient& client, const GuardRequest& request);
    std::string AnswerChannel(std::uint32_t sessionId, Session& session, const GuardRequest& request);
    std::string OpenChannelFor(const GuardClient& client);
    std::string Who(const GuardClient& client) const;
    void TakeBeat(std::uint32_t sessionId, Session& session, const GuardRequest& request);
    void EndAdminTrust(std::uint32_t sessionId);
    // More time for the session's user, when the proof holds: stored with the day's use, and
    // told in the answer as a heartbeat's day.
    std::string GrantTime(std::uint32_t sessionId, Session& session, const GrantChoice& choice, const std::string& proof);
    bool AppendLogLine(Session& session, const std::string& line);
    void CountUse(Session& session, std::int64_t now);
    void TickSession(std::uint32_t id, Session& session, std::int64_t now, std::int64_t& next);
    void BecomeUnguarded(Session& session);
    void Persist();
    void StoreUse(const Session& session, const GuardDay& use);
    // The finished day's line of the usage history of the user with that SID.
    void RecordDay(const std::string& userSid, const GuardDay& finished);
    // A beat of the user's session said the time has expired today.
    void MarkExpired(const std::string& userSid);
    std::int32_t Today();
    // The system's start, as the UTC time of it: what names the boot the sessions belong to.
    std::int64_t Boot();
    void FlushThrottles(std::int64_t now);
    void Report(GuardLogKind kind, const std::string& text);
    // The same for a message of the texts, made in English: the event log shows it in the
    // machine's language.
    void Report(GuardLogKind kind, TextId message, std::initializer_list<std::string_view> filledIn);
    void Warn(const std::string& kind, TextId message, std::initializer_list<std::string_view> filledIn);

    GuardianHost& host_;
    Registry& registry_;
    FileSystem& files_;
    Clock& clock_;
    GuardStore store_;
    UserKeyOf userKeyOf_;
    std::string programDirectory_;
    LogLineCheck logLineCheck_;
    LogAppender logAppender_;
    TrustedTime time_;
    TimeZoneRules zone_;
    int firstWeekday_ = 0;
    std::map<std::uint32_t, Session> sessions_;
    std::map<std::string, GuardDay> uses_;  // by SID
    std::map<std::string, std::int32_t> expiredDays_;  // by SID: the last day its time expired
    std::map<std::string, Throttle> throttles_;
    std::optional<std::int64_t> lastTickMs_;
    AdminGate* admin_ = nullptr;
};

}  // namespace vardex
