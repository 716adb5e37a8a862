#include "GuardianHost_win.h"

#include "common/ProcessProtection_win.h"
#include "common/TextConvert_win.h"

#include <userenv.h>
#include <wtsapi32.h>

#include <algorithm>

namespace vardex {

namespace {
constexpr const char* kLockServiceFile = "vardex.exe";
// The one message of GuardMessages.mc: the entry's own text.
constexpr DWORD kGuardianTextMessage = 1;

UniqueKernelHandle SessionUserToken(std::uint32_t sessionId)
{
    HANDLE token = nullptr;
    if (!WTSQueryUserToken(sessionId, &token))
        return UniqueKernelHandle();
    return UniqueKernelHandle(token);
}

// The environment of the user's own logon, freed with the block's owner.
class UserEnvironment {
public:
    explicit UserEnvironment(HANDLE token) noexcept
    {
        if (!CreateEnvironmentBlock(&block_, token, FALSE))
            block_ = nullptr;
    }
    UserEnvironment(const UserEnvironment&) = delete;
    UserEnvironment& operator=(const UserEnvironment&) = delete;
    ~UserEnvironment()
    {
        if (block_)
            DestroyEnvironmentBlock(block_);
    }
    void* Get() const noexcept { return block_; }

private:
    void* block_ = nullptr;
};
}  // namespace

std::string TokenUserName(HANDLE token)
{
    std::vector<BYTE> sid = TokenUserSid(token);
    if (sid.empty())
        return {};
    wchar_t name[256] = L"", domain[256] = L"";
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use))
        return {};
    return Narrow(name);
}

Win32GuardianHost::Win32GuardianHost(std::string programDirectory)
    : programDirectory_(std::move(programDirectory)), eventSource_(RegisterEventSourceW(nullptr, kGuardianServiceName))
{
}

Win32GuardianHost::~Win32GuardianHost()
{
    if (eventSource_)
        DeregisterEventSource(eventSource_);
}

std::optional<std::uint32_t> Win32GuardianHost::StartLockService(std::uint32_t sessionId, const std::string& arguments)
{
    const UniqueKernelHandle userToken = SessionUserToken(sessionId);
    if (!userToken)
        return std::nullopt;
    const UserEnvironment environment(userToken.Get());
    const std::wstring path = Widen(programDirectory_ + kLockServiceFile);
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + Widen(arguments));
    const std::wstring directory = Widen(programDirectory_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // The interactive desktop: a service's own window station has no screen.
    wchar_t desktop[] = L"winsta0\\default";
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(userToken.Get(), path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP,
                              environment.Get(), directory.c_str(), &startup, &started))
        return std::nullopt;
    UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    // Protected before its first instruction: its user cannot end it even in the moment
    // before it protects itself.
    if (!ProtectProcess(process.Get(), TokenUserSid(userToken.Get())))
        Log(GuardLogKind::Warning, "The lock service's process could not be protected from its user.");
    ResumeThread(thread.Get());
    processes_[started.dwProcessId] = std::move(process);
    return started.dwProcessId;
}

void Win32GuardianHost::EndSession(std::uint32_t sessionId)
{
    if (!WTSLogoffSession(WTS_CURRENT_SERVER_HANDLE, sessionId, FALSE))
        Log(GuardLogKind::Error, "Session " + std::to_string(sessionId) + " could not be logged off (error " +
                                     std::to_string(GetLastError()) + ").");
}

void Win32GuardianHost::Log(GuardLogKind kind, const std::string& text)
{
    if (!eventSource_)
        return;
    const WORD type = kind == GuardLogKind::Error     ? EVENTLOG_ERROR_TYPE
                      : kind == GuardLogKind::Warning ? EVENTLOG_WARNING_TYPE
                                                      : EVENTLOG_INFORMATION_TYPE;
    const std::wstring wide = Widen(text);
    const wchar_t* strings[] = {wide.c_str()};
    ReportEventW(eventSource_, type, 0, kGuardianTextMessage, nullptr, 1, 0, strings, nullptr);
}

std::vector<std::pair<std::uint32_t, std::string>> Win32GuardianHost::LoggedOnSessions() const
{
    std::vector<std::uint32_t> ids;
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    if (WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
        for (DWORD i = 0; i < count; ++i)
            if (sessions[i].State == WTSActive || sessions[i].State == WTSDisconnected)
                ids.push_back(sessions[i].SessionId);
        WTSFreeMemory(sessions);
    }
    // The console's session is there even where the list comes back empty.
    if (const DWORD console = WTSGetActiveConsoleSessionId();
        console != 0xFFFFFFFF && std::find(ids.begin(), ids.end(), console) == ids.end())
        ids.push_back(console);
    std::vector<std::pair<std::uint32_t, std::string>> loggedOn;
    for (const std::uint32_t id : ids)
        if (const UniqueKernelHandle token = SessionUserToken(id))
            if (std::string user = TokenUserName(token.Get()); !user.empty())
                loggedOn.emplace_back(id, std::move(user));
    return loggedOn;
}

HANDLE Win32GuardianHost::Process(std::uint32_t processId) const
{
    const auto found = processes_.find(processId);
    return found == processes_.end() ? nullptr : found->second.Get();
}

void Win32GuardianHost::Forget(std::uint32_t processId)
{
    processes_.erase(processId);
}

}  // namespace vardex
