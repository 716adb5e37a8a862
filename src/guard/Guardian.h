#pragma once
// The guardian's rules: which lock service runs in which session, when a new one is started
// and with what, when a session is ended, and which requests of a session's programs are
// written. The Windows service around it only reports what happens and carries the answers.
#include "GuardProtocol.h"
#include "common/Clock.h"
#include "common/Files.h"
#include "common/Registry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

enum class GuardLogKind { Information, Warning, Error };

// Who sent a message, as the pipe and the system tell it; never taken from the message.
struct GuardClient {
    std::uint32_t sessionId = 0;
    std::uint32_t processId = 0;
    std::string userName;
};

// What the guardian asks of the system.
class GuardianHost {
public:
    virtual ~GuardianHost() = default;
    // Starts the lock service in the session as the session's user; its process id, or nothing
    // when it could not be started.
    virtual std::optional<std::uint32_t> StartLockService(std::uint32_t sessionId, const std::string& arguments) = 0;
    // Ends the session: its user is logged off.
    virtual void EndSession(std::uint32_t sessionId) = 0;
    // One entry of the guardian's own log.
    virtual void Log(GuardLogKind kind, const std::string& text) = 0;
};

class Guardian {
public:
    using UserKeyOf = std::function<std::string(const std::string& userName)>;

    // The day is judged with the time-zone rules in force when the guardian started, as the
    // lock service judges it: a user who switches zones does not move it.
    Guardian(GuardianHost& host, Registry& registry, FileSystem& files, Clock& clock, UserKeyOf userKeyOf,
             std::string programDirectory);

    // A user logged on in the session: the lock service is started there unless one started by
    // us already runs for that user.
    void SessionLoggedOn(std::uint32_t sessionId, const std::string& userName);
    // The sessions with a user logged on, as the system lists them now (at start, and now and
    // then in case a notice was missed): a session not known yet is taken as logged on, one no
    // longer listed and without a running lock service is forgotten. A known one is left as it
    // is, ended or not.
    void SessionsPresent(const std::vector<std::pair<std::uint32_t, std::string>>& sessions);
    // The session ends (log off, shutdown): what ends in it now is not started again.
    void SessionEnding(std::uint32_t sessionId);
    // The lock service we started in the session has ended.
    void LockServiceEnded(std::uint32_t sessionId);
    // The answer to one message of a client.
    std::string_view Handle(const GuardClient& client, std::string_view message);
    // Ends the sessions whose grace period is over and starts again what could not be started
    // before; the milliseconds until it needs to run again, or nothing.
    std::optional<std::int64_t> Tick();

    // The lock services to watch: session id and process id.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Watched() const;

private:
    struct Session {
        std::string userName;
        std::optional<std::uint32_t> processId;
        LockState state = LockState::Unlocked;
        std::optional<std::int64_t> shutdownAtMs;  // on the elapsed-time clock
        bool ending = false;
        bool reported = false;          // the running one has told its state: it is the service
        std::optional<std::int64_t> startAtMs;  // a start that failed or did not take, due again
        bool startFailing = false;  // logged once until a start succeeds
        bool otherRuns = false;     // starts do not take: logged once, until one does
    };

    void Start(std::uint32_t sessionId, Session& session);
    std::string StartArguments(const Session& session) const;
    bool StoreDayUse(const GuardClient& client, const GuardRequest& request);
    bool AppendLogLine(const GuardClient& client, const GuardRequest& request);
    bool TakeState(const GuardClient& client, const GuardRequest& request);
    std::int32_t Today();

    GuardianHost& host_;
    Registry& registry_;
    FileSystem& files_;
    Clock& clock_;
    UserKeyOf userKeyOf_;
    std::string programDirectory_;
    TimeZoneRules zone_;
    std::map<std::uint32_t, Session> sessions_;
};

}  // namespace vardex
