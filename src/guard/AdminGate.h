#pragma once
// The guardian's side of the configuration window: it checks the administrator password itself
// (never trusting a stored value sent to it: every user can read the settings), gives the window
// a ticket, and writes for the ticket's holder the settings, the network logon flag and the
// clearing of a statistics log, which the user's own token may not write.
//
// A ticket is bound to the process and session the pipe names, never to what a message says. It
// ends when its window says so, when a lock starts in its session, when that session's lock
// service ends, or after kTicketLifeMs. Every request is checked whole before anything is written.
#include "GuardProtocol.h"
#include "common/Clock.h"
#include "common/CodeSecret.h"
#include "common/Files.h"
#include "common/PasswordHash.h"
#include "common/Registry.h"
#include "common/Texts.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vardex {

inline constexpr std::int64_t kTicketLifeMs = 30 * 60 * 1000;
// Wrong passwords in a row in a session that are answered at once; after them each further one
// waits, doubling from a second up to kMaxGuessWaitMs.
inline constexpr int kFreeGuesses = 5;
inline constexpr std::int64_t kMaxGuessWaitMs = 60000;
// What one ticket may have staged before its commit, and how many tickets a session may hold.
inline constexpr std::size_t kMaxStagedValues = 20000;
inline constexpr std::size_t kMaxStagedBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxTicketsPerSession = 4;

class AdminGate {
public:
    using ListedUserKeys = std::function<std::vector<std::string>()>;
    using Reporter = std::function<void(GuardLogKind kind, const std::string& text)>;
    // A refused request: any program can send them as fast as it likes, so they are throttled
    // (the guardian's warnings), unlike the wrong passwords, which the waits already pace.
    using Refusals = std::function<void(const std::string& text)>;

    AdminGate(Registry& registry, FileSystem& files, PasswordCrypto& crypto, Clock& clock, ListedUserKeys listedUserKeys,
              std::string programDirectory, Reporter report, Refusals refuse);

    // The answer to one of the window's requests; sessionLocked: a lock holds the client's
    // session now, and nobody is given a ticket there.
    std::string Answer(const GuardClient& client, const GuardRequest& request, bool sessionLocked);
    // A lock started in the session, or its lock service ended: every ticket there ends.
    void EndTrustIn(std::uint32_t sessionId);

    // The one-time codes' secret; without it no code proves anything, and the window is refused it.
    void UseCodes(CodeSecret& codes) noexcept { codes_ = &codes; }
    // What a grant's proof (the password or a code, typed at the session's lock) proves, with the
    // same waits after wrong ones as the window's password. A code is tried first and taken once;
    // only a set administrator password proves anything: no password is no proof here.
    struct Proof {
        std::optional<GrantProof> by;  // proved
        std::uint32_t waitSeconds = 0;  // not checked: the wait after wrong ones is not over
    };
    Proof CheckGrantProof(const GuardClient& client, const std::string& proof);

private:
    struct Ticket {
        std::uint32_t sessionId = 0;
        std::uint32_t processId = 0;
        std::string userSid;
        std::int64_t issuedMs = 0;
        std::uint64_t serial = 0;  // the order of issue
        std::vector<SettingWrite> staged;
        std::size_t stagedBytes = 0;
        bool stagingBroken = false;  // a piece was refused: the commit is refused too
    };
    struct Guesses {
        int wrong = 0;
        std::int64_t nextCheckMs = 0;
    };

    std::string Login(const GuardClient& client, const std::string& password, bool sessionLocked);
    std::string Issue(const GuardClient& client);
    Ticket* Holder(const GuardClient& client, const std::string& ticket);
    bool Stage(Ticket& ticket, const GuardRequest& request);
    std::string Commit(const GuardClient& client, Ticket& ticket, std::uint32_t count);
    std::string ClearLog(const GuardClient& client, const std::string& userKey);
    std::string CodeSecretFor(const GuardClient& client, const std::string& what);
    // The wait before a session's next check, or none; and a wrong one counted.
    std::optional<std::uint32_t> GuessWait(std::uint32_t sessionId);
    void WrongGuess(const GuardClient& client, TextId message);
    void Drop(std::uint32_t sessionId, const std::function<bool(const Ticket&)>& which);
    std::string StoredAdminPassword();
    std::string Who(const GuardClient& client) const;

    Registry& registry_;
    FileSystem& files_;
    PasswordCrypto& crypto_;
    Clock& clock_;
    ListedUserKeys listedUserKeys_;
    std::string programDirectory_;
    Reporter report_;
    Refusals refuse_;
    std::map<std::string, Ticket> tickets_;
    std::map<std::uint32_t, Guesses> guesses_;  // by session
    std::uint64_t issued_ = 0;
    CodeSecret* codes_ = nullptr;
};

}  // namespace vardex
