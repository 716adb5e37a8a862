#pragma once
// The guardian's dealings with Windows: the sessions and their users, starting the lock service
// in a session as its user, logging a session off, and the event log.
#include "Guardian.h"
#include "common/UniqueHandle_win.h"

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vardex {

inline constexpr const wchar_t* kGuardianServiceName = L"vardexguard";

// The account name of a token's user, or empty when it cannot be found.
std::string TokenUserName(HANDLE token);

class Win32GuardianHost final : public GuardianHost {
public:
    explicit Win32GuardianHost(std::string programDirectory);
    ~Win32GuardianHost() override;

    std::optional<std::uint32_t> StartLockService(std::uint32_t sessionId, const std::string& arguments) override;
    void EndSession(std::uint32_t sessionId) override;
    void Log(GuardLogKind kind, const std::string& text) override;

    // The sessions with a user logged on, and each one's user.
    std::vector<std::pair<std::uint32_t, std::string>> LoggedOnSessions() const;
    // The process started under that id (to wait for), or nullptr; Forget closes it.
    HANDLE Process(std::uint32_t processId) const;
    void Forget(std::uint32_t processId);

private:
    std::string programDirectory_;
    HANDLE eventSource_;
    std::map<std::uint32_t, UniqueKernelHandle> processes_;
};

}  // namespace vardex
