#pragma once
// The guardian's dealings with Windows: the sessions and their users, starting the lock service
// in a session as its user at an integrity level above the user's programs and out of their
// reach, watching it, the system's lock and log off of a session, and the event log.
#include "GuardPipe_win.h"
#include "Guardian.h"
#include "ProcessEndWatch_win.h"
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vardex {

// Completions that the host posts to the guardian's port: a watched lock service ended (the
// number of bytes carries its process id).
inline constexpr ULONG_PTR kLockServiceEndedKey = 0x454E4445;

// The account name of a token's user, or empty when it cannot be found.
std::string TokenUserName(HANDLE token);
// A SID as text ("S-1-5-21-..."), or empty.
std::string SidText(const std::vector<BYTE>& sid);
// One entry of the guardian's event log, before (or without) a host.
void LogGuardianEvent(GuardLogKind kind, const std::string& text);

class Win32GuardianHost final : public GuardianHost {
public:
    // A lock service it starts gets its channel from the start (an inherited handle): a program
    // that keeps the public pipe busy cannot keep it from its guardian.
    Win32GuardianHost(std::string programDirectory, HANDLE port, ChannelMaker& channels);
    ~Win32GuardianHost() override;

    std::optional<LockServiceProcess> StartLockService(std::uint32_t sessionId, const std::string& arguments) override;
    bool AdoptLockService(std::uint32_t sessionId, const LockServiceProcess& process) override;
    void EndLockService(std::uint32_t processId) override;
    std::optional<std::uint64_t> OpenChannel(std::uint32_t sessionId, std::uint32_t processId) override;
    void EndSession(std::uint32_t sessionId) override;
    void LockSession(std::uint32_t sessionId) override;
    void Log(GuardLogKind kind, const std::string& text) override;

    // The sessions with a user logged on, and each one's user.
    std::vector<SessionUser> LoggedOnSessions() const;
    // A watched lock service ended: its session, and it is no longer watched.
    std::optional<std::uint32_t> Ended(std::uint32_t processId);

private:
    std::string programDirectory_;
    HANDLE eventSource_;
    ChannelMaker& channels_;
    ProcessEndWatch watched_;  // the lock services, by process id, with their sessions
    bool raiseFailureLogged_ = false;
    bool restrictFailureLogged_ = false;
};

}  // namespace vardex
